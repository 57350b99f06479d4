#include "demo_png.h"

#include <algorithm>
#include <array>

namespace quillet::tools {
namespace {

std::uint32_t Crc32(const std::string& bytes) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(const std::string& bytes) {
  std::uint32_t a = 1, b = 0;
  for (unsigned char byte : bytes) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void PutBigEndian(std::string* out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out->push_back(static_cast<char>((v >> shift) & 0xFF));
}

void PutChunk(std::string* png, const char* type, const std::string& data) {
  PutBigEndian(png, static_cast<std::uint32_t>(data.size()));
  std::string body = type;
  body += data;
  *png += body;
  PutBigEndian(png, Crc32(body));
}

// A zlib stream of stored deflate blocks (at most 65535 bytes each).
std::string StoredZlib(const std::string& raw) {
  std::string out = "\x78\x01";
  std::size_t pos = 0;
  do {
    const std::size_t n = std::min<std::size_t>(raw.size() - pos, 65535);
    const bool last = pos + n == raw.size();
    out.push_back(static_cast<char>(last ? 1 : 0));
    out.push_back(static_cast<char>(n & 0xFF));
    out.push_back(static_cast<char>(n >> 8));
    out.push_back(static_cast<char>(~n & 0xFF));
    out.push_back(static_cast<char>((~n >> 8) & 0xFF));
    out.append(raw, pos, n);
    pos += n;
  } while (pos < raw.size());
  PutBigEndian(&out, Adler32(raw));
  return out;
}

}  // namespace

std::string MakePng(std::uint32_t width, std::uint32_t height,
                    const std::function<Rgb(std::uint32_t x, std::uint32_t y)>& pixel) {
  std::string png = "\x89PNG\r\n\x1A\n";
  std::string header;
  PutBigEndian(&header, width);
  PutBigEndian(&header, height);
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
  PutChunk(&png, "IHDR", header);

  std::string raw;
  for (std::uint32_t y = 0; y < height; ++y) {
    raw.push_back('\0');  // filter: none
    for (std::uint32_t x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      raw.push_back(static_cast<char>(c.r));
      raw.push_back(static_cast<char>(c.g));
      raw.push_back(static_cast<char>(c.b));
    }
  }
  PutChunk(&png, "IDAT", StoredZlib(raw));
  PutChunk(&png, "IEND", {});
  return png;
}

}  // namespace quillet::tools
