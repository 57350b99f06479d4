// CSV after RFC 4180: a header line, CRLF line ends, fields quoted only where they must be.

#include <optional>

#include "export/output_buffer.h"
#include "export/row_writer.h"
#include "export/value_encoding.h"

namespace quillet::exporting {
namespace {

class CsvWriter final : public RowWriter {
 public:
  CsvWriter(const ExportOptions& options, OutputBuffer& out)
      : out_(out), separator_(options.separator) {
    // An empty text for NULL is the default: NULL as an empty field.
    if (options.nullText && !options.nullText->empty()) nullText_ = options.nullText;
  }

  void Begin(const std::vector<ExportColumn>& columns) override {
    column_ = 0;
    for (const ExportColumn& c : columns) Text(c.name);
    EndRow();
  }

  void BeginRow() override { column_ = 0; }

  void Null() override {
    Separate();
    if (nullText_) out_.Data() += *nullText_;
  }

  void Value(std::string_view data, bool binary) override {
    if (binary) {
      Separate();
      if (data.empty())
        EmptyField();
      else
        AppendHex(out_.Data(), data);
    } else {
      Text(data);
    }
  }

  void BeginBinary() override {
    Separate();
    pieces_ = false;
  }
  void BinaryPiece(std::string_view bytes) override {
    if (bytes.empty()) return;
    pieces_ = true;
    AppendHex(out_.Data(), bytes);
    out_.FlushIfFull();
  }
  void EndBinary() override {
    if (!pieces_) EmptyField();
  }

  void EndRow() override {
    out_.Data() += "\r\n";
    out_.FlushIfFull();
  }

 private:
  void Separate() {
    if (column_++ > 0) out_.Data() += separator_;
  }

  // An empty value written so that it does not read as NULL.
  void EmptyField() {
    if (!nullText_) out_.Data() += "\"\"";
  }

  void Text(std::string_view data) {
    Separate();
    if (data.empty()) {
      EmptyField();
      return;
    }
    // Most values are short ASCII: one look at every byte says both that the text is valid and
    // whether it needs quotes. Anything else takes the slower, general way.
    bool quote = data.front() == ' ' || data.back() == ' ';
    bool ascii = separator_.size() == 1;
    if (ascii) {
      const char s = separator_[0];
      for (const char c : data) {
        ascii &= static_cast<unsigned char>(c) < 0x80;
        quote |= c == s || c == '"' || c == '\n' || c == '\r';
      }
    }
    std::string_view text = data;
    if (!ascii) {
      text = ValidUtf8(data, scratch_);
      quote = CsvNeedsQuotes(text, separator_);
    }
    if (quote || (nullText_ && text == *nullText_)) {
      AppendCsvQuoted(out_.Data(), text);
    } else {
      out_.Data() += text;
    }
  }

  OutputBuffer& out_;
  std::string separator_;
  std::optional<std::string> nullText_;
  std::size_t column_ = 0;
  bool pieces_ = false;
  std::string scratch_;
};

}  // namespace

std::unique_ptr<RowWriter> MakeCsvWriter(const ExportOptions& options, OutputBuffer& out) {
  return std::make_unique<CsvWriter>(options, out);
}

}  // namespace quillet::exporting
