#pragma once
// The provider operations that all data access is written against. Each interface mirrors one
// object of the data-access layer (data source, session, schema rowset, command, rowset,
// accessor, error object); results are 32-bit codes with the conventional values, negative for
// failure. Providers (SQLite, ODBC) implement these; nothing above this layer knows which one
// it talks to.
//
// Texts that cross this boundary are UTF-16 (std::u16string); the program itself works in
// UTF-8 and converts at the boundary (see text_convert.h).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillet::db {

// ---------------------------------------------------------------------------------------------
// Result codes

using HRESULT = std::int32_t;

constexpr HRESULT MakeCode(std::uint32_t v) {
  return static_cast<HRESULT>(v);
}
inline bool Succeeded(HRESULT hr) {
  return hr >= 0;
}
inline bool Failed(HRESULT hr) {
  return hr < 0;
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT DB_S_ENDOFROWSET = MakeCode(0x00040EC6);
constexpr HRESULT DB_S_ERRORSOCCURRED = MakeCode(0x00040EDA);
constexpr HRESULT E_NOTIMPL = MakeCode(0x80004001);
constexpr HRESULT E_NOINTERFACE = MakeCode(0x80004002);
constexpr HRESULT E_POINTER = MakeCode(0x80004003);
constexpr HRESULT E_FAIL = MakeCode(0x80004005);
constexpr HRESULT E_UNEXPECTED = MakeCode(0x8000FFFF);
constexpr HRESULT E_OUTOFMEMORY = MakeCode(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeCode(0x80070057);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeCode(0x80040154);
constexpr HRESULT DB_E_BADACCESSORHANDLE = MakeCode(0x80040E00);
constexpr HRESULT DB_E_BADROWHANDLE = MakeCode(0x80040E04);
constexpr HRESULT DB_E_BADBINDINFO = MakeCode(0x80040E08);
constexpr HRESULT DB_E_CANTSCROLLBACKWARDS = MakeCode(0x80040E29);
constexpr HRESULT DB_E_BADORDINAL = MakeCode(0x80040E55);
constexpr HRESULT DB_E_NOCOMMAND = MakeCode(0x80040E0C);
constexpr HRESULT DB_E_ERRORSINCOMMAND = MakeCode(0x80040E14);
constexpr HRESULT DB_E_CANTCONVERTVALUE = MakeCode(0x80040E07);
constexpr HRESULT DB_E_ERRORSOCCURRED = MakeCode(0x80040E21);
constexpr HRESULT DB_E_NOTABLE = MakeCode(0x80040E37);
constexpr HRESULT DB_E_CANCELED = MakeCode(0x80040E4E);
constexpr HRESULT DB_SEC_E_AUTH_FAILED = MakeCode(0x80040E4D);
constexpr HRESULT DB_E_NOTSUPPORTED = MakeCode(0x80040E53);
constexpr HRESULT DB_E_ROWSNOTRELEASED = MakeCode(0x80040E25);
constexpr HRESULT DB_E_READONLY = MakeCode(0x80040E94);        // the provider refused a change
constexpr HRESULT E_CANCELLED_BY_USER = MakeCode(0x800704C7);  // from Win32 ERROR_CANCELLED

// ---------------------------------------------------------------------------------------------
// Types, parts, statuses

using DBTYPE = std::uint16_t;
constexpr DBTYPE DBTYPE_EMPTY = 0;
constexpr DBTYPE DBTYPE_NULL = 1;
constexpr DBTYPE DBTYPE_I2 = 2;
constexpr DBTYPE DBTYPE_I4 = 3;
constexpr DBTYPE DBTYPE_R4 = 4;
constexpr DBTYPE DBTYPE_R8 = 5;
constexpr DBTYPE DBTYPE_CY = 6;
constexpr DBTYPE DBTYPE_DATE = 7;
constexpr DBTYPE DBTYPE_BSTR = 8;
constexpr DBTYPE DBTYPE_IDISPATCH = 9;
constexpr DBTYPE DBTYPE_ERROR = 10;
constexpr DBTYPE DBTYPE_BOOL = 11;
constexpr DBTYPE DBTYPE_VARIANT = 12;
constexpr DBTYPE DBTYPE_IUNKNOWN = 13;
constexpr DBTYPE DBTYPE_DECIMAL = 14;
constexpr DBTYPE DBTYPE_I1 = 16;
constexpr DBTYPE DBTYPE_UI1 = 17;
constexpr DBTYPE DBTYPE_UI2 = 18;
constexpr DBTYPE DBTYPE_UI4 = 19;
constexpr DBTYPE DBTYPE_I8 = 20;
constexpr DBTYPE DBTYPE_UI8 = 21;
constexpr DBTYPE DBTYPE_GUID = 72;
constexpr DBTYPE DBTYPE_BYTES = 128;
constexpr DBTYPE DBTYPE_STR = 129;
constexpr DBTYPE DBTYPE_WSTR = 130;
constexpr DBTYPE DBTYPE_NUMERIC = 131;
constexpr DBTYPE DBTYPE_DBDATE = 133;
constexpr DBTYPE DBTYPE_DBTIME = 134;
constexpr DBTYPE DBTYPE_DBTIMESTAMP = 135;
constexpr DBTYPE DBTYPE_BYREF = 0x4000;

using DBSTATUS = std::uint32_t;
constexpr DBSTATUS DBSTATUS_S_OK = 0;
constexpr DBSTATUS DBSTATUS_E_BADACCESSOR = 1;
constexpr DBSTATUS DBSTATUS_E_CANTCONVERTVALUE = 2;
constexpr DBSTATUS DBSTATUS_S_ISNULL = 3;
constexpr DBSTATUS DBSTATUS_S_TRUNCATED = 4;
constexpr DBSTATUS DBSTATUS_E_DATAOVERFLOW = 6;
constexpr DBSTATUS DBSTATUS_E_CANTCREATE = 7;
constexpr DBSTATUS DBSTATUS_E_UNAVAILABLE = 8;

using DBPART = std::uint32_t;
constexpr DBPART DBPART_VALUE = 1;
constexpr DBPART DBPART_LENGTH = 2;
constexpr DBPART DBPART_STATUS = 4;

constexpr std::uint32_t DBMEMOWNER_CLIENTOWNED = 0;
constexpr std::uint32_t DBMEMOWNER_PROVIDEROWNED = 1;
constexpr std::uint32_t DBPARAMIO_NOTPARAM = 0;
constexpr std::uint32_t DBACCESSOR_ROWDATA = 2;

// Column sizes that mean "unbounded" to the consumer's binding rules.
constexpr std::uint32_t kSizeUnlimited = 0x7FFFFFFF;
// The size providers report for text without a bound (SQLite TEXT, PostgreSQL text, MariaDB's
// TEXT family, JSON, ...), as DBTYPE_STR: a string the consumer keeps inline, so a value that
// fits is shown as itself, and a longer one arrives cut and is read whole on demand. Reported
// as long data instead, every such value would hide behind a marker.
constexpr std::uint32_t kInlineTextSize = 512;

// ---------------------------------------------------------------------------------------------
// GUIDs of the schemas and interfaces the program names

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
  friend bool operator==(const Guid&, const Guid&) = default;
};

constexpr Guid DBSCHEMA_TABLES{
    0xC8B52229, 0x5CF3, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
constexpr Guid DBSCHEMA_PROCEDURES{
    0xC8B52224, 0x5CF3, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
constexpr Guid DBGUID_DEFAULT{
    0xC8B521FB, 0x5CF3, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
constexpr Guid IID_ISequentialStream{
    0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};

// ---------------------------------------------------------------------------------------------
// Bindings and column information

struct DBOBJECT {
  std::uint32_t dwFlags = 0;
  Guid iid;
};

// One column of an accessor. Offsets are byte offsets into the consumer's row buffer. A value
// part of a by-reference type (wType | DBTYPE_BYREF) receives a pointer (sizeof(void*) bytes)
// into provider memory that stays valid until the row is released or the next GetData.
// A DBTYPE_IUNKNOWN binding with pObject->iid == IID_ISequentialStream receives an
// ISequentialStream* that the consumer owns and must Release().
struct DBBINDING {
  std::size_t iOrdinal = 0;  // 1-based
  std::size_t obValue = 0;
  std::size_t obLength = 0;  // the length part is a 32-bit unsigned count of bytes
  std::size_t obStatus = 0;  // the status part is a 32-bit DBSTATUS
  const DBOBJECT* pObject = nullptr;
  DBPART dwPart = DBPART_VALUE;
  std::uint32_t dwMemOwner = DBMEMOWNER_CLIENTOWNED;
  std::uint32_t eParamIO = DBPARAMIO_NOTPARAM;
  std::size_t cbMaxLen = 0;
  std::uint32_t dwFlags = 0;
  DBTYPE wType = DBTYPE_EMPTY;
  std::uint8_t bPrecision = 0;
  std::uint8_t bScale = 0;
};

struct DBCOLUMNINFO {
  std::u16string name;
  std::size_t iOrdinal = 0;  // 1-based
  std::uint32_t dwFlags = 0;
  std::uint32_t ulColumnSize = 0;  // characters for text, bytes for binary, kSizeUnlimited
  DBTYPE wType = DBTYPE_EMPTY;
  std::uint8_t bPrecision = 0;
  std::uint8_t bScale = 0;
};

using HACCESSOR = std::uintptr_t;
using HROW = std::uintptr_t;
constexpr HACCESSOR DB_NULL_HACCESSOR = 0;
constexpr HROW DB_NULL_HROW = 0;

// ---------------------------------------------------------------------------------------------
// Long data

// A forward-only byte stream over one long value. Reference counted like the object it
// mirrors: the provider hands it out with one reference.
class ISequentialStream {
 public:
  // Reads up to `cb` bytes into `pv`; `*pcbRead` receives the count. S_OK also at the end
  // (with fewer bytes than asked), a failure code when the value cannot be read.
  virtual HRESULT Read(void* pv, std::uint32_t cb, std::uint32_t* pcbRead) = 0;
  void AddRef() { refs_.fetch_add(1); }
  void Release() {
    if (refs_.fetch_sub(1) == 1) delete this;
  }

 protected:
  virtual ~ISequentialStream() = default;

 private:
  std::atomic<int> refs_{1};
};

// ---------------------------------------------------------------------------------------------
// Rowset: one-row fetch with release-before-fetch, skip offsets, accessors

class IRowset {
 public:
  virtual ~IRowset() = default;

  // Column information of the result (C4).
  virtual HRESULT GetColumnInfo(std::vector<DBCOLUMNINFO>* columns) = 0;

  // Accessors (R2, C5, C9). `rowSize` is the consumer's record size, for the provider's checks.
  virtual HRESULT CreateAccessor(std::uint32_t flags, const std::vector<DBBINDING>& bindings,
                                 std::size_t rowSize, HACCESSOR* accessor) = 0;
  virtual HRESULT ReleaseAccessor(HACCESSOR accessor) = 0;

  // Moves the next fetch to the first row (C6).
  virtual HRESULT RestartPosition() = 0;

  // Fetches `rowsRequested` (always 1 here) rows after skipping `rowsOffset` rows (C7, R3).
  // S_OK with one handle; DB_S_ENDOFROWSET with *rowsObtained == 0 at the end; a failure code
  // on error. A provider skips rows without transferring them where it can. The previous row
  // must have been released first.
  virtual HRESULT GetNextRows(std::int64_t rowsOffset, std::size_t rowsRequested,
                              std::size_t* rowsObtained, HROW* row) = 0;

  // Writes the row's bound values into `data` (C8).
  virtual HRESULT GetData(HROW row, HACCESSOR accessor, void* data) = 0;
  virtual HRESULT ReleaseRows(std::size_t count, const HROW* rows) = 0;

  // Counts the rows a walk from the start would return, without reading values and without
  // moving the rowset: the next fetch goes on where it would have. May run on another thread
  // while the rowset is used (a provider keeps its own state safe). E_NOTIMPL lets the caller
  // walk instead.
  virtual HRESULT CountRows(std::int64_t* count) {
    (void)count;
    return E_NOTIMPL;
  }
  // Builds what lets a skip reach any row without passing the rows before it (a keyed table's
  // page of first keys); until it is ready, skips walk. Runs on another thread while the rowset
  // is used, like CountRows. S_FALSE when the rowset has nothing to build.
  virtual HRESULT BuildPositionIndex() { return S_FALSE; }

  // Interrupts whatever the rowset is doing on another thread (a running fetch or count);
  // the interrupted call returns DB_E_CANCELED. Safe to call from any thread.
  virtual void Cancel() {}
  // Interrupts only a running CountRows or BuildPositionIndex.
  virtual void CancelCount() { Cancel(); }
};

// ---------------------------------------------------------------------------------------------
// Command (C1 to C3)

class ICommand {
 public:
  virtual ~ICommand() = default;
  virtual HRESULT SetCommandText(const Guid& dialect, const std::u16string& text) = 0;
  // Runs the text; a statement without a result set gives S_OK with no rowset.
  virtual HRESULT Execute(std::shared_ptr<IRowset>* rowset, std::int64_t* rowsAffected) = 0;
  // Interrupts a running Execute from another thread.
  virtual void Cancel() {}
};

// ---------------------------------------------------------------------------------------------
// Session (S2, R1, C1)

// Restrictions of a schema rowset: 4 slots, std::nullopt for an empty (unrestricted) one.
using Restrictions = std::vector<std::optional<std::u16string>>;

class ISession {
 public:
  virtual ~ISession() = default;
  // R1: DBSCHEMA_TABLES yields TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE, TABLE_GUID,
  // DESCRIPTION, TABLE_PROPID, DATE_CREATED, DATE_MODIFIED; DBSCHEMA_PROCEDURES yields
  // PROCEDURE_CATALOG, PROCEDURE_SCHEMA, PROCEDURE_NAME, PROCEDURE_TYPE (I2),
  // PROCEDURE_DEFINITION, DESCRIPTION, DATE_CREATED, DATE_MODIFIED.
  virtual HRESULT GetSchemaRowset(const Guid& schema, const Restrictions& restrictions,
                                  std::shared_ptr<IRowset>* rowset) = 0;
  // C1.
  virtual HRESULT CreateCommand(std::shared_ptr<ICommand>* command) = 0;
  // The rows of a whole table, in the order of its key where it has one, so a skip can reach
  // any row by key. E_NOTIMPL: the caller runs "select * from" the table as a command.
  virtual HRESULT OpenRowset(const std::u16string& table, std::shared_ptr<IRowset>* rowset) {
    (void)table;
    (void)rowset;
    return E_NOTIMPL;
  }
};

// ---------------------------------------------------------------------------------------------
// Data source (D3, D4, S1)

class IDBInitialize {
 public:
  virtual ~IDBInitialize() = default;
  // D4: connects.
  virtual HRESULT Initialize() = 0;
  // S1 + S2: a session on the connected data source.
  virtual HRESULT CreateSession(std::shared_ptr<ISession>* session) = 0;
  // Empty when the provider keeps every session read-only by itself; otherwise one line for
  // the user saying what it cannot promise. Asked once the data source is connected.
  virtual std::string ReadOnlyNotice() const { return {}; }
};

// ---------------------------------------------------------------------------------------------
// Initialization service (D1, D2, D3)

class IDataInitialize {
 public:
  virtual ~IDataInitialize() = default;
  // D2: the initialization string stored in a data link file.
  virtual HRESULT LoadStringFromStorage(const std::u16string& path, std::u16string* initString) = 0;
  // D3: an uninitialized data source of the provider the string names.
  virtual HRESULT GetDataSource(const std::u16string& initString,
                                std::shared_ptr<IDBInitialize>* dataSource) = 0;
};

// D1: the service object.
HRESULT CreateDataInitialize(std::shared_ptr<IDataInitialize>* service);

// ---------------------------------------------------------------------------------------------
// Error objects: a per-thread slot, as the platform keeps one per thread. A provider that fails
// stores its diagnostic there; GetErrorInfo takes it out (S_FALSE when there is none).

struct ErrorInfo {
  HRESULT code = S_OK;
  std::u16string description;
  std::u16string source;
};

void SetErrorInfo(std::optional<ErrorInfo> info);
HRESULT GetErrorInfo(std::optional<ErrorInfo>* info);

}  // namespace quillet::db
