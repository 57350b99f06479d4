// SQL INSERT statements in the standard's quoting, one per row, for loading into another
// database.

#include "export/output_buffer.h"
#include "export/row_writer.h"
#include "export/value_encoding.h"

namespace quillet::exporting {
namespace {

class SqlInsertWriter final : public RowWriter {
 public:
  SqlInsertWriter(const ExportOptions& options, OutputBuffer& out)
      : out_(out), table_(options.tableName) {}

  void Begin(const std::vector<ExportColumn>& columns) override {
    // The statement up to its values, made once.
    prefix_ = "INSERT INTO ";
    AppendSqlIdentifier(prefix_, ValidUtf8(table_, scratch_));
    kinds_.clear();
    if (columns.empty()) {
      prefix_ += " DEFAULT VALUES";
      return;
    }
    prefix_ += " (";
    for (const ExportColumn& c : columns) {
      if (!kinds_.empty()) prefix_ += ", ";
      AppendSqlIdentifier(prefix_, ValidUtf8(c.name, scratch_));
      kinds_.push_back(c.kind);
    }
    prefix_ += ") VALUES (";
  }

  void BeginRow() override {
    column_ = 0;
    out_.Data() += prefix_;
  }

  void Null() override {
    Separate();
    out_.Data() += "NULL";
  }

  void Value(std::string_view data, bool binary) override {
    const ColumnKind kind = Separate();
    std::string& out = out_.Data();
    if (binary) {
      out += "X'";
      AppendHex(out, data);
      out += '\'';
      return;
    }
    const std::string_view text = ValidUtf8(data, scratch_);
    if (kind == ColumnKind::Boolean) {
      if (const auto flag = ReadBoolean(text)) {
        out += *flag ? "TRUE" : "FALSE";
        return;
      }
    }
    if (kind != ColumnKind::Text && IsJsonNumber(text)) {
      out += text;
    } else {
      AppendSqlString(out, text);
    }
  }

  void BeginBinary() override {
    Separate();
    out_.Data() += "X'";
  }
  void BinaryPiece(std::string_view bytes) override {
    AppendHex(out_.Data(), bytes);
    out_.FlushIfFull();
  }
  void EndBinary() override { out_.Data() += '\''; }

  void EndRow() override {
    out_.Data() += kinds_.empty() ? ";\n" : ");\n";
    out_.FlushIfFull();
  }

 private:
  ColumnKind Separate() {
    const std::size_t i = column_++;
    if (i > 0) out_.Data() += ", ";
    return kinds_[i];
  }

  OutputBuffer& out_;
  std::string table_;
  std::string prefix_;
  std::vector<ColumnKind> kinds_;
  std::size_t column_ = 0;
  std::string scratch_;
};

}  // namespace

std::unique_ptr<RowWriter> MakeSqlInsertWriter(const ExportOptions& options, OutputBuffer& out) {
  return std::make_unique<SqlInsertWriter>(options, out);
}

}  // namespace quillet::exporting
