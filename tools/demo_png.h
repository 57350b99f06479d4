#pragma once
// Small PNG images made in code, so the demo database carries real pictures without any image
// library: the pixel rows go into a zlib stream of stored (uncompressed) blocks.

#include <cstdint>
#include <functional>
#include <string>

namespace quillet::tools {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

// A width x height RGB image; `pixel(x, y)` gives each pixel's colour.
std::string MakePng(std::uint32_t width, std::uint32_t height,
                    const std::function<Rgb(std::uint32_t x, std::uint32_t y)>& pixel);

}  // namespace quillet::tools
