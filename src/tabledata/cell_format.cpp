#include "tabledata/cell_format.h"

#include <cstring>

#include "datasource/text_convert.h"
#include "elements/provider_error.h"

namespace quillet {
namespace {

std::string Limit(std::string text, std::size_t bufferSize) {
  if (bufferSize == 0) return std::string();
  if (text.size() > bufferSize - 1)
    text.resize(db::Utf8CutLength(std::string_view(text.data(), text.size()), bufferSize - 1));
  return text;
}

std::string InlineText(DataCellRef cell) {
  const char* p = reinterpret_cast<const char*>(cell.Value());
  return std::string(p, strnlen(p, kCellInlineSize));
}

// The inline buffer as UTF-16 up to its terminator.
std::string InlineWideText(DataCellRef cell) {
  std::u16string wide;
  const std::uint8_t* p = cell.Value();
  for (std::size_t i = 0; i + 1 < kCellInlineSize; i += 2) {
    char16_t c;
    std::memcpy(&c, p + i, 2);
    if (c == 0) break;
    wide += c;
  }
  return db::Utf16ToUtf8(wide);
}

}  // namespace

std::string CellDisplayText(DataCellRef cell, db::DBTYPE cellType, db::DBTYPE columnType,
                            std::size_t bufferSize) {
  if (cell.Status() == db::DBSTATUS_S_ISNULL) return Limit("(NULL)", bufferSize);
  const bool cut = cell.Status() == db::DBSTATUS_S_TRUNCATED;
  if (cellType == (db::DBTYPE_BYTES | db::DBTYPE_BYREF)) return Limit("(BLOB)", bufferSize);
  if (cellType == (db::DBTYPE_STR | db::DBTYPE_BYREF) ||
      cellType == (db::DBTYPE_WSTR | db::DBTYPE_BYREF))
    return Limit("(TEXT)", bufferSize);
  switch (cellType) {
    case db::DBTYPE_BYTES:
      return Limit("(BLOB)", bufferSize);
    case db::DBTYPE_STR:
      return Limit(cut ? std::string("(TEXT)") : InlineText(cell), bufferSize);
    case db::DBTYPE_WSTR:
      return Limit(cut ? std::string("(TEXT)") : InlineWideText(cell), bufferSize);
    case kLongDataType:
      if (columnType == db::DBTYPE_BYTES) return Limit("(BLOB)", bufferSize);
      if (columnType == db::DBTYPE_STR || columnType == db::DBTYPE_WSTR)
        return Limit("(TEXT)", bufferSize);
      return std::string();
    default:
      return std::string();
  }
}

std::string CellDescriptionText(DataCellRef cell, db::DBTYPE columnType, std::size_t bufferSize) {
  if (cell.Status() == db::DBSTATUS_S_ISNULL) return Limit("(EMPTY)", bufferSize);
  switch (columnType) {
    case db::DBTYPE_WSTR:
      // A wide column may arrive by reference; the store step left its bytes inline too.
      return Limit(InlineWideText(cell), bufferSize);
    case db::DBTYPE_BYTES:
      return Limit("Binary data", bufferSize);
    default:
      return Limit(InlineText(cell), bufferSize);
  }
}

}  // namespace quillet
