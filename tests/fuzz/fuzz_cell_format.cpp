// Cell formatting over any cell bytes, cell type, column type and buffer size: the texts stay
// inside their buffer.

#include <vector>

#include "fuzz_input.h"
#include "tabledata/cell_format.h"

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const auto cellType = input.Take<db::DBTYPE>();
  const auto columnType = input.Take<db::DBTYPE>();
  const std::size_t bufferSize = input.Take<std::uint16_t>();
  // The cell record as the row cache holds it, with the pointer slot cleared: a stored row
  // never keeps a provider's pointer.
  std::vector<std::uint8_t> record(kDataCellSize, 0);
  const std::string_view bytes = input.Rest();
  std::copy_n(bytes.begin(), std::min(bytes.size(), record.size()), record.begin());
  DataCellRef cell(record.data());
  cell.SetPointer(nullptr);

  for (const auto& text : {CellDisplayText(cell, cellType, columnType, bufferSize),
                           CellDescriptionText(cell, columnType, bufferSize)}) {
    QUILLET_FUZZ_CHECK(bufferSize == 0 ? text.empty() : text.size() < bufferSize);
  }
  return 0;
}
