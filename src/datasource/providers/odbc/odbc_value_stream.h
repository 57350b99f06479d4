#pragma once
// A long value read from the driver as the consumer reads the stream: one SQLGetData piece at
// a time, so a value of any size never sits in memory whole.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "datasource/provider_ops.h"
#include "datasource/providers/odbc/odbc_handles.h"
#include "datasource/providers/odbc/odbc_types.h"

namespace quillet::db::odbc {

// Which row of a statement is current. A stream reads only while its row is: once the rowset
// moves on (or goes away) the driver's data belongs to another row.
struct RowClock {
  std::atomic<std::uint64_t> row{0};
  std::atomic<int> openStreams{0};  // streams that may still read the current row
};

class OdbcValueStream final : public ISequentialStream {
 public:
  // Reads the first piece: S_FALSE (and no stream) for a null value, S_OK with the stream, or a
  // failure with an error object. `columnType` is the column's DBTYPE: wide text streams as
  // UTF-16LE, other text as UTF-8, binary as it is.
  static HRESULT Open(std::shared_ptr<Statement> statement, std::shared_ptr<RowClock> clock,
                      std::size_t ordinal, ReadAs readAs, DBTYPE columnType,
                      ISequentialStream** stream);

  HRESULT Read(void* pv, std::uint32_t cb, std::uint32_t* pcbRead) override;

 private:
  OdbcValueStream() = default;
  ~OdbcValueStream() override;
  // Adds the next piece to pending_; sets done_ at the end.
  HRESULT Refill();
  void Append(std::string bytes);

  std::shared_ptr<Statement> statement_;
  std::shared_ptr<RowClock> clock_;
  std::uint64_t row_ = 0;
  std::size_t ordinal_ = 0;
  ReadAs readAs_ = ReadAs::WideText;
  bool toUtf8_ = false;
  std::string pending_;
  std::size_t offset_ = 0;
  std::u16string carry_;  // a high surrogate whose partner is in the next piece
  bool done_ = false;
};

}  // namespace quillet::db::odbc
