#pragma once
// The texts of one cell of the row cache: what the data list shows and the longer description
// of the tool tip. No provider call happens here.

#include <cstddef>
#include <string>

#include "tabledata/data_cell.h"

namespace quillet {

// The list text: "(NULL)", "(BLOB)", "(TEXT)" or the value, at most `bufferSize` - 1 bytes.
// `cellType` is the type the binding rules chose, `columnType` the provider's own.
// A text value the provider cut at the inline limit is shown as "(TEXT)", so it is always
// reached whole through a viewer instead of being shown silently cut.
std::string CellDisplayText(DataCellRef cell, db::DBTYPE cellType, db::DBTYPE columnType,
                            std::size_t bufferSize);

// The description: "(EMPTY)" for null, "Binary data", or the inline value as text.
std::string CellDescriptionText(DataCellRef cell, db::DBTYPE columnType, std::size_t bufferSize);

// True for the two texts that stand for a value too long for a cell.
inline bool IsLongValueText(const std::string& text) {
  return text == "(BLOB)" || text == "(TEXT)";
}

}  // namespace quillet
