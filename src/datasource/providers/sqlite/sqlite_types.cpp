#include "datasource/providers/sqlite/sqlite_types.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace quillet::db::sqlite {
namespace {

constexpr std::uint32_t kShortText = 255;
constexpr std::uint32_t kDateText = 32;

std::string Upper(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

bool Has(const std::string& s, std::string_view part) {
  return s.find(part) != std::string::npos;
}

std::uint32_t ReadNumber(std::string_view s, std::size_t* pos) {
  while (*pos < s.size() && s[*pos] == ' ') ++*pos;
  std::uint64_t n = 0;
  bool any = false;
  while (*pos < s.size() && s[*pos] >= '0' && s[*pos] <= '9') {
    n = std::min<std::uint64_t>(n * 10 + static_cast<std::uint64_t>(s[*pos] - '0'), kSizeUnlimited);
    ++*pos;
    any = true;
  }
  while (*pos < s.size() && s[*pos] == ' ') ++*pos;
  return any ? static_cast<std::uint32_t>(n) : 0;
}

}  // namespace

std::uint32_t DeclaredLength(std::string_view declared, std::uint32_t* second) {
  if (second != nullptr) *second = 0;
  std::size_t pos = declared.find('(');
  if (pos == std::string_view::npos) return 0;
  ++pos;
  const std::uint32_t first = ReadNumber(declared, &pos);
  if (pos < declared.size() && declared[pos] == ',') {
    ++pos;
    const std::uint32_t m = ReadNumber(declared, &pos);
    if (second != nullptr) *second = m;
  }
  return first;
}

ColumnType MapDeclaredType(const char* declared) {
  const std::string t = Upper(declared != nullptr ? declared : "");
  if (t.find_first_not_of(' ') == std::string::npos) return {DBTYPE_STR, kInlineTextSize};
  const std::uint32_t length = DeclaredLength(t);
  if (Has(t, "INT")) return {DBTYPE_I8, 8};
  if (Has(t, "BOOL")) return {DBTYPE_BOOL, 2};
  if (Has(t, "DATE") || Has(t, "TIME")) return {DBTYPE_STR, kDateText};
  if (Has(t, "CHAR")) {
    const bool wide = t.starts_with("N") || Has(t, "NATIONAL");
    return {wide ? DBTYPE_WSTR : DBTYPE_STR, length != 0 ? length : kShortText};
  }
  if (Has(t, "TEXT") || Has(t, "CLOB")) return {DBTYPE_STR, length != 0 ? length : kInlineTextSize};
  if (Has(t, "BLOB") || Has(t, "BINARY")) return {DBTYPE_BYTES, length};
  if (Has(t, "REAL") || Has(t, "FLOA") || Has(t, "DOUB")) return {DBTYPE_R8, 8};
  if (Has(t, "NUMERIC") || Has(t, "DECIMAL")) {
    std::uint32_t scale = 0;
    const std::uint32_t precision = DeclaredLength(t, &scale);
    return {DBTYPE_NUMERIC, 19, static_cast<std::uint8_t>(std::min<std::uint32_t>(precision, 38)),
            static_cast<std::uint8_t>(std::min<std::uint32_t>(scale, 38))};
  }
  return {DBTYPE_STR, kShortText};
}

}  // namespace quillet::db::sqlite
