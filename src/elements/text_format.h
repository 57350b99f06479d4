#pragma once
// Filling the program's own format strings ("Object(s): %i", "%s ...") without handing a
// table text to printf.

#include <initializer_list>
#include <string>

namespace quillet {

// Replaces each "%i" in turn with the next number.
inline std::string FormatNumbers(std::string format, std::initializer_list<long long> numbers) {
  std::size_t from = 0;
  for (long long n : numbers) {
    std::size_t at = format.find("%i", from);
    if (at == std::string::npos) break;
    std::string digits = std::to_string(n);
    format.replace(at, 2, digits);
    from = at + digits.size();
  }
  return format;
}

// Replaces the first "%s" with the text.
inline std::string FormatText(std::string format, const std::string& text) {
  std::size_t at = format.find("%s");
  if (at != std::string::npos) format.replace(at, 2, text);
  return format;
}

// A count with thousands separated by commas ("10,000,000").
inline std::string FormatThousands(long long n) {
  const std::string digits = std::to_string(n);
  const std::size_t sign = n < 0 ? 1 : 0;
  std::string text = digits.substr(0, sign);
  for (std::size_t i = sign; i < digits.size(); ++i) {
    if (i > sign && (digits.size() - i) % 3 == 0) text.push_back(',');
    text.push_back(digits[i]);
  }
  return text;
}

}  // namespace quillet
