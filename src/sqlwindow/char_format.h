#pragma once
// A character format as the SQL editor applies it: which attributes a format sets (the mask) and
// their values. The editor maps it onto its own text formats.

#include <cstdint>
#include <string>

namespace quillet::sqlwindow {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;

  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Mask bits: the attributes a format applies; the others are left as the text has them.
constexpr std::uint32_t CFM_BOLD = 0x00000001;
constexpr std::uint32_t CFM_ITALIC = 0x00000002;
constexpr std::uint32_t CFM_UNDERLINE = 0x00000004;
constexpr std::uint32_t CFM_STRIKEOUT = 0x00000008;
constexpr std::uint32_t CFM_CHARSET = 0x08000000;
constexpr std::uint32_t CFM_OFFSET = 0x10000000;
constexpr std::uint32_t CFM_FACE = 0x20000000;
constexpr std::uint32_t CFM_COLOR = 0x40000000;
constexpr std::uint32_t CFM_SIZE = 0x80000000;

// Effect bits, meaningful where the mask names them.
constexpr std::uint32_t CFE_BOLD = 0x00000001;
constexpr std::uint32_t CFE_ITALIC = 0x00000002;
constexpr std::uint32_t CFE_UNDERLINE = 0x00000004;
constexpr std::uint32_t CFE_STRIKEOUT = 0x00000008;

struct CharFormat {
  std::uint32_t mask = 0;
  std::uint32_t effects = 0;
  int height = 0;  // in twips: 20 to the point
  int offset = 0;  // baseline offset in twips
  Rgb colour;
  std::uint8_t charset = 0;
  std::uint8_t pitch_and_family = 0;
  std::string face;

  bool Applies(std::uint32_t bits) const { return (mask & bits) == bits; }
  double PointSize() const { return height / 20.0; }

  friend bool operator==(const CharFormat&, const CharFormat&) = default;
};

}  // namespace quillet::sqlwindow
