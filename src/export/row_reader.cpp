#include "export/row_reader.h"

#include <cstring>
#include <set>

#include "datasource/cmlib_exception.h"
#include "datasource/error_text.h"
#include "datasource/rowset_base.h"
#include "datasource/text_convert.h"
#include "elements/job_cancel.h"
#include "tabledata/data_cell.h"

namespace quillet::exporting {
namespace {

// Per column in the row buffer: the value part (a pointer), the length, the status.
constexpr std::size_t kSlotSize = 16;
constexpr std::size_t kLengthOffset = sizeof(void*);
constexpr std::size_t kStatusOffset = kLengthOffset + 4;
static_assert(kStatusOffset + 4 <= kSlotSize);

// Bytes asked of a stream per read.
constexpr std::uint32_t kPieceSize = 64 * 1024;

const db::DBOBJECT kStreamObject{0, db::IID_ISequentialStream};

template <typename T>
T Get(const std::uint8_t* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

ColumnKind KindOf(db::DBTYPE type) {
  switch (type & ~db::DBTYPE_BYREF) {
    case db::DBTYPE_I1:
    case db::DBTYPE_UI1:
    case db::DBTYPE_I2:
    case db::DBTYPE_UI2:
    case db::DBTYPE_I4:
    case db::DBTYPE_UI4:
    case db::DBTYPE_I8:
    case db::DBTYPE_UI8:
    case db::DBTYPE_R4:
    case db::DBTYPE_R8:
    case db::DBTYPE_CY:
    case db::DBTYPE_DECIMAL:
    case db::DBTYPE_NUMERIC:
      return ColumnKind::Number;
    case db::DBTYPE_BOOL:
      return ColumnKind::Boolean;
    case db::DBTYPE_BYTES:
    case db::DBTYPE_IUNKNOWN:
    case db::DBTYPE_IDISPATCH:
      return ColumnKind::Binary;
    default:
      return ColumnKind::Text;
  }
}

// Names that repeat get "_2", "_3", ...; an empty one becomes "column_N".
std::vector<std::string> UniqueNames(std::vector<std::string> names) {
  std::set<std::string> taken(names.begin(), names.end());
  std::set<std::string> used;
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string& name = names[i];
    if (name.empty()) {
      name = "column_" + std::to_string(i + 1);
      for (int n = 2; taken.count(name) != 0; ++n)
        name = "column_" + std::to_string(i + 1) + "_" + std::to_string(n);
      taken.insert(name);
    }
    if (!used.insert(name).second) {
      std::string unique;
      for (int n = 2; unique.empty() || taken.count(unique) != 0; ++n)
        unique = name + "_" + std::to_string(n);
      name = unique;
      taken.insert(name);
      used.insert(name);
    }
  }
  return names;
}

[[noreturn]] void FailRead(const std::string& what, db::HRESULT hr) {
  throw cmlib::exception(what + ": " + db::ProviderErrorText(hr));
}

// A stream handed out by GetData, given back however the read ends.
struct StreamHold {
  db::ISequentialStream* stream = nullptr;
  ~StreamHold() {
    if (stream != nullptr) stream->Release();
  }
};

}  // namespace

RowReader::RowReader(db::IRowset& rowset) : rowset_(rowset) {
  std::vector<db::DBCOLUMNINFO> info;
  const db::HRESULT hr = rowset_.GetColumnInfo(&info);
  if (db::Failed(hr)) FailRead("The columns could not be read", hr);
  std::vector<db::DBCOLUMNINFO> ordered(info.size());
  for (const db::DBCOLUMNINFO& c : info) {
    if (c.iOrdinal >= 1 && c.iOrdinal <= info.size()) ordered[c.iOrdinal - 1] = c;
  }
  std::vector<std::string> names;
  for (const db::DBCOLUMNINFO& c : ordered) names.push_back(db::Utf16ToUtf8(c.name));
  names = UniqueNames(std::move(names));
  for (std::size_t i = 0; i < ordered.size(); ++i)
    columns_.push_back({std::move(names[i]), KindOf(ordered[i].wType)});
  buffer_.assign(kSlotSize * (columns_.size() + 1), 0);
  blobCheck_.assign(columns_.size(), db::DB_NULL_HACCESSOR);
  try {
    MakeAccessors(ordered);
  } catch (...) {
    for (const Segment& s : segments_) rowset_.ReleaseAccessor(s.accessor);
    throw;
  }
}

RowReader::~RowReader() {
  ReleaseRow();
  for (const Segment& s : segments_) rowset_.ReleaseAccessor(s.accessor);
  for (const db::HACCESSOR a : blobCheck_) {
    if (a != db::DB_NULL_HACCESSOR) rowset_.ReleaseAccessor(a);
  }
}

void RowReader::MakeAccessors(const std::vector<db::DBCOLUMNINFO>& info) {
  std::vector<db::DBBINDING> bindings;
  const auto close = [&](bool stream, std::vector<std::size_t> columns) {
    if (columns.empty()) return;
    Segment segment{stream, db::DB_NULL_HACCESSOR, std::move(columns)};
    const db::HRESULT hr =
        rowset_.CreateAccessor(db::DBACCESSOR_ROWDATA, bindings, buffer_.size(), &segment.accessor);
    if (db::Failed(hr)) FailRead("The columns could not be bound", hr);
    segments_.push_back(std::move(segment));
    bindings.clear();
  };
  std::vector<std::size_t> run;
  for (std::size_t i = 0; i < info.size(); ++i) {
    const db::DBCOLUMNINFO& c = info[i];
    const bool binary = columns_[i].kind == ColumnKind::Binary;
    // Long binary data as the table loader takes it: through a stream.
    const bool stream =
        binary && ChooseCellBinding(ColumnInfo{{}, c.wType, c.ulColumnSize}).IsLong();
    db::DBBINDING b;
    b.iOrdinal = i + 1;
    b.obValue = i * kSlotSize;
    b.obLength = i * kSlotSize + kLengthOffset;
    b.obStatus = i * kSlotSize + kStatusOffset;
    b.dwPart = db::DBPART_VALUE | db::DBPART_LENGTH | db::DBPART_STATUS;
    if (stream) {
      close(false, std::move(run));
      run.clear();
      b.wType = db::DBTYPE_IUNKNOWN;
      b.pObject = &kStreamObject;
      b.cbMaxLen = sizeof(void*);
      bindings.push_back(b);
      close(true, {i});
      continue;
    }
    // By reference: the whole value, whatever its length; text as UTF-8.
    b.wType =
        static_cast<db::DBTYPE>((binary ? db::DBTYPE_BYTES : db::DBTYPE_STR) | db::DBTYPE_BYREF);
    b.dwMemOwner = db::DBMEMOWNER_PROVIDEROWNED;
    b.cbMaxLen = db::kSizeUnlimited;
    bindings.push_back(b);
    run.push_back(i);
  }
  close(false, std::move(run));
}

void RowReader::ReleaseRow() {
  if (row_ != db::DB_NULL_HROW) {
    rowset_.ReleaseRows(1, &row_);
    row_ = db::DB_NULL_HROW;
  }
}

bool RowReader::Next(RowWriter& writer, const std::function<bool()>& stopped) {
  ReleaseRow();
  std::size_t obtained = 0;
  db::HROW row = db::DB_NULL_HROW;
  const db::HRESULT hr = rowset_.GetNextRows(0, 1, &obtained, &row);
  if (db::Failed(hr)) FailRead("The rows could not be read", hr);
  if (hr == db::DB_S_ENDOFROWSET || obtained == 0) return false;
  row_ = row;
  ++rowNumber_;
  writer.BeginRow();
  for (const Segment& segment : segments_) {
    GetData(segment.accessor);
    if (segment.stream)
      WriteStream(segment.columns.front(), writer, stopped);
    else
      WritePlain(segment, writer);
  }
  writer.EndRow();
  ReleaseRow();
  return true;
}

void RowReader::GetData(db::HACCESSOR accessor) {
  // Statuses say which values failed; the loop that writes them reports each by its column.
  const db::HRESULT hr = rowset_.GetData(row_, accessor, buffer_.data());
  if (db::Failed(hr) && hr != db::DB_E_ERRORSOCCURRED)
    FailRead("Row " + std::to_string(rowNumber_) + " could not be read", hr);
}

void RowReader::FailValue(std::size_t column, db::DBSTATUS status) const {
  throw cmlib::exception("The value of column \"" + columns_[column].name + "\" in row " +
                         std::to_string(rowNumber_) + " could not be read (status " +
                         std::to_string(status) + ").");
}

void RowReader::WritePlain(const Segment& segment, RowWriter& writer) {
  const auto valueAt = [this](std::size_t i) {
    const std::uint8_t* slot = buffer_.data() + i * kSlotSize;
    const auto* data = Get<const char*>(slot);
    if (data == nullptr) return std::string_view();
    return std::string_view(data, Get<std::uint32_t>(slot + kLengthOffset));
  };
  for (const std::size_t i : segment.columns) {
    const auto status = Get<db::DBSTATUS>(buffer_.data() + i * kSlotSize + kStatusOffset);
    if (status == db::DBSTATUS_S_ISNULL) {
      writer.Null();
      continue;
    }
    if (status != db::DBSTATUS_S_OK && status != db::DBSTATUS_S_TRUNCATED) FailValue(i, status);
    const bool binary = columns_[i].kind == ColumnKind::Binary;
    if (!binary && valueAt(i) == db::kBinaryValueText) {
      std::string bytes;
      const bool isBlob = BlobInTextColumn(i, &bytes);
      // The look replaced the by-reference values: the segment's are fetched again.
      GetData(segment.accessor);
      if (isBlob) {
        writer.Value(bytes, true);
        continue;
      }
    }
    writer.Value(valueAt(i), binary);
  }
}

bool RowReader::BlobInTextColumn(std::size_t column, std::string* bytes) {
  db::HACCESSOR& accessor = blobCheck_[column];
  const std::size_t base = columns_.size() * kSlotSize;
  if (accessor == db::DB_NULL_HACCESSOR) {
    db::DBBINDING b;
    b.iOrdinal = column + 1;
    b.obValue = base;
    b.obLength = base + kLengthOffset;
    b.obStatus = base + kStatusOffset;
    b.dwPart = db::DBPART_VALUE | db::DBPART_LENGTH | db::DBPART_STATUS;
    b.wType = db::DBTYPE_BYTES | db::DBTYPE_BYREF;
    b.dwMemOwner = db::DBMEMOWNER_PROVIDEROWNED;
    b.cbMaxLen = db::kSizeUnlimited;
    const db::HRESULT hr =
        rowset_.CreateAccessor(db::DBACCESSOR_ROWDATA, {b}, buffer_.size(), &accessor);
    if (db::Failed(hr)) {
      accessor = db::DB_NULL_HACCESSOR;
      FailRead("The columns could not be bound", hr);
    }
  }
  GetData(accessor);
  const std::uint8_t* slot = buffer_.data() + base;
  if (Get<db::DBSTATUS>(slot + kStatusOffset) != db::DBSTATUS_S_OK) return false;
  const auto* data = Get<const char*>(slot);
  if (data == nullptr) return false;
  bytes->assign(data, Get<std::uint32_t>(slot + kLengthOffset));
  // Asked for as bytes, a text gives its own text; only a blob gives other bytes.
  return *bytes != db::kBinaryValueText;
}

void RowReader::WriteStream(std::size_t column, RowWriter& writer,
                            const std::function<bool()>& stopped) {
  const std::uint8_t* slot = buffer_.data() + column * kSlotSize;
  const auto status = Get<db::DBSTATUS>(slot + kStatusOffset);
  StreamHold hold;
  if (status == db::DBSTATUS_S_OK) hold.stream = Get<db::ISequentialStream*>(slot);
  if (status == db::DBSTATUS_S_ISNULL) {
    writer.Null();
    return;
  }
  if (status != db::DBSTATUS_S_OK || hold.stream == nullptr) FailValue(column, status);
  writer.BeginBinary();
  piece_.resize(kPieceSize);
  while (true) {
    std::uint32_t read = 0;
    const db::HRESULT hr = hold.stream->Read(piece_.data(), kPieceSize, &read);
    if (db::Failed(hr))
      throw cmlib::exception("The value of column \"" + columns_[column].name + "\" in row " +
                             std::to_string(rowNumber_) +
                             " could not be read: " + db::ErrorDescription(hr, hold.stream));
    if (read > 0) writer.BinaryPiece(std::string_view(piece_.data(), read));
    if (read < kPieceSize) break;
    if (stopped && stopped()) throw JobStopped{};
  }
  writer.EndBinary();
}

}  // namespace quillet::exporting
