// JSON Lines: one object per row, its members in column order.

#include "export/output_buffer.h"
#include "export/row_writer.h"
#include "export/value_encoding.h"

namespace quillet::exporting {
namespace {

class JsonLinesWriter final : public RowWriter {
 public:
  explicit JsonLinesWriter(OutputBuffer& out) : out_(out) {}

  void Begin(const std::vector<ExportColumn>& columns) override {
    // Each member's opening, made once: `{"name":` for the first, `,"name":` for the others.
    keys_.clear();
    kinds_.clear();
    for (const ExportColumn& c : columns) {
      std::string key(keys_.empty() ? "{" : ",");
      AppendJsonString(key, ValidUtf8(c.name, scratch_));
      key += ':';
      keys_.push_back(std::move(key));
      kinds_.push_back(c.kind);
    }
  }

  void BeginRow() override { column_ = 0; }

  void Null() override {
    Key();
    out_.Data() += "null";
  }

  void Value(std::string_view data, bool binary) override {
    const ColumnKind kind = Key();
    std::string& out = out_.Data();
    if (binary) {
      out += '"';
      AppendBase64(out, data);
      out += '"';
      return;
    }
    const std::string_view text = ValidUtf8(data, scratch_);
    if (kind == ColumnKind::Boolean) {
      if (const auto flag = ReadBoolean(text)) {
        out += *flag ? "true" : "false";
        return;
      }
    }
    // A number column's value that has no JSON form (Infinity, NaN, a text kept in an SQLite
    // integer column) stays the text it is.
    if (kind != ColumnKind::Text && IsJsonNumber(text)) {
      out += text;
    } else {
      AppendJsonString(out, text);
    }
  }

  void BeginBinary() override {
    Key();
    out_.Data() += '"';
    base64_ = Base64Stream();
  }
  void BinaryPiece(std::string_view bytes) override {
    base64_.Add(out_.Data(), bytes);
    out_.FlushIfFull();
  }
  void EndBinary() override {
    base64_.Finish(out_.Data());
    out_.Data() += '"';
  }

  void EndRow() override {
    out_.Data() += keys_.empty() ? "{}\n" : "}\n";
    out_.FlushIfFull();
  }

 private:
  ColumnKind Key() {
    const std::size_t i = column_++;
    out_.Data() += keys_[i];
    return kinds_[i];
  }

  OutputBuffer& out_;
  std::vector<std::string> keys_;
  std::vector<ColumnKind> kinds_;
  std::size_t column_ = 0;
  Base64Stream base64_;
  std::string scratch_;
};

}  // namespace

std::unique_ptr<RowWriter> MakeJsonLinesWriter(OutputBuffer& out) {
  return std::make_unique<JsonLinesWriter>(out);
}

}  // namespace quillet::exporting
