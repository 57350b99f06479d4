#include "datasource/providers/odbc/odbc_value_stream.h"

#include <algorithm>
#include <cstring>

#include "datasource/error_info.h"
#include "datasource/providers/odbc/odbc_diag.h"
#include "datasource/providers/odbc/odbc_read.h"
#include "datasource/text_convert.h"

namespace quillet::db::odbc {

HRESULT OdbcValueStream::Open(std::shared_ptr<Statement> statement, std::shared_ptr<RowClock> clock,
                              std::size_t ordinal, ReadAs readAs, DBTYPE columnType,
                              ISequentialStream** stream) {
  *stream = nullptr;
  std::string bytes;
  bool isNull = false;
  bool last = false;
  const HRESULT hr = ReadPiece(statement->handle(), ordinal, readAs, &bytes, &isNull, &last);
  if (Failed(hr)) return hr;
  if (hr == S_FALSE) {
    return RaiseError(E_FAIL,
                      "Column " + std::to_string(ordinal) + " of this row was read already.",
                      kProviderName);
  }
  if (isNull) return S_FALSE;
  auto* made = new OdbcValueStream();
  made->statement_ = std::move(statement);
  made->clock_ = std::move(clock);
  made->clock_->openStreams.fetch_add(1);
  made->row_ = made->clock_->row.load();
  made->ordinal_ = ordinal;
  made->readAs_ = readAs;
  made->toUtf8_ = readAs == ReadAs::WideText && columnType != DBTYPE_WSTR;
  made->done_ = last;
  made->Append(std::move(bytes));
  *stream = made;
  return S_OK;
}

OdbcValueStream::~OdbcValueStream() {
  if (clock_) clock_->openStreams.fetch_sub(1);
}

void OdbcValueStream::Append(std::string bytes) {
  if (offset_ > 0) {
    pending_.erase(0, offset_);
    offset_ = 0;
  }
  if (!toUtf8_) {
    pending_ += bytes;
    return;
  }
  std::u16string text = carry_ + BytesLEToUtf16(bytes);
  carry_.clear();
  if (!done_ && !text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) {
    carry_ = text.back();
    text.pop_back();
  }
  pending_ += Utf16ToUtf8(text);
}

HRESULT OdbcValueStream::Refill() {
  if (clock_->row.load() != row_) {
    return RaiseError(E_UNEXPECTED,
                      "The row of this value is no longer current; the value cannot be read.",
                      kProviderName);
  }
  std::string bytes;
  bool isNull = false;
  bool last = false;
  const HRESULT hr = ReadPiece(statement_->handle(), ordinal_, readAs_, &bytes, &isNull, &last);
  if (Failed(hr)) return hr;
  if (hr == S_FALSE || isNull) last = true;
  done_ = last;
  Append(std::move(bytes));
  return S_OK;
}

HRESULT OdbcValueStream::Read(void* pv, std::uint32_t cb, std::uint32_t* pcbRead) {
  if (pcbRead != nullptr) *pcbRead = 0;
  if (pv == nullptr && cb > 0) return E_POINTER;
  std::uint32_t total = 0;
  auto* out = static_cast<char*>(pv);
  while (total < cb) {
    if (offset_ == pending_.size()) {
      if (done_) break;
      const HRESULT hr = Refill();
      if (Failed(hr)) {
        if (pcbRead != nullptr) *pcbRead = total;
        return hr;
      }
      continue;
    }
    const std::size_t n = std::min<std::size_t>(cb - total, pending_.size() - offset_);
    std::memcpy(out + total, pending_.data() + offset_, n);
    offset_ += n;
    total += static_cast<std::uint32_t>(n);
  }
  if (pcbRead != nullptr) *pcbRead = total;
  return S_OK;
}

}  // namespace quillet::db::odbc
