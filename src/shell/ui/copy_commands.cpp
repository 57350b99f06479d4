// Copying from the data list: the cursor cell's whole value, its row or the page shown, as text
// for the clipboard. Long text and binary values are read again whole, as the viewers read them.
#include <QApplication>
#include <QClipboard>

#include <algorithm>

#include "datasource/cmlib_exception.h"
#include "export/value_encoding.h"
#include "plugins/table_plugins.h"
#include "resources/command_ids.h"
#include "resources/ui/dialog_hooks.h"
#include "shell/ui/main_window.h"
#include "tabledata/cell_format.h"
#include "tabledata/element_table.h"
#include "tabledata/ui/data_list_view.h"
#include "tabledata/ui/virtual_list_model.h"

namespace quillet::ui {
namespace {

constexpr std::size_t kConfirmCopyBytes = 10u * 1024 * 1024;
constexpr std::size_t kCellTextBytes = 1024;

// One line of fields separated by tabs, ended by a line feed. A field holding a tab, a line
// break or a quote is quoted with its quotes doubled, as spreadsheets read it back.
std::string TabSeparatedLine(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += '\t';
    if (exporting::CsvNeedsQuotes(fields[i], "\t"))
      exporting::AppendCsvQuoted(line, fields[i]);
    else
      line += fields[i];
  }
  line += '\n';
  return line;
}

}  // namespace

std::optional<std::string> MainWindow::CellValueForCopy(int row, int column, bool ask) {
  xElement* element = listCursor_->Element();
  if (element == nullptr) return std::nullopt;
  const std::string shown = element->Text(row, column, kCellTextBytes);
  auto* table = dynamic_cast<xElement_Table*>(element);
  if (table == nullptr || column < 1) return shown;  // a folder's item texts are whole
  const db::DBSTATUS status = table->CellStatus(row, column);
  if (status == db::DBSTATUS_S_ISNULL) return std::string();
  if (status != db::DBSTATUS_S_TRUNCATED && !IsLongValueText(shown)) return shown;
  auto* plugins = dynamic_cast<plugins::TablePlugins*>(table->GetPluginHandOver());
  if (plugins == nullptr) return std::nullopt;
  const std::optional<plugins::WholeValue> value = plugins->ReadWholeValue(row, column);
  if (!value) return std::string();
  if (!value->binary) return value->bytes;
  if (ask && value->bytes.size() > kConfirmCopyBytes) {
    const QString text =
        QStringLiteral("The value holds %1 MB of binary data. Copy it as hex?")
            .arg(static_cast<double>(value->bytes.size()) / (1024 * 1024), 0, 'f', 1);
    if (ShowMessageBox(this, QStringLiteral("Quillet"), text, BoxIcon::kQuestion,
                       BoxButtons::kYesNo) != QMessageBox::Yes)
      return std::nullopt;
  }
  std::string hex;
  exporting::AppendHex(hex, value->bytes);
  return hex;
}

std::vector<std::string> MainWindow::CopyHeader() const {
  std::vector<std::string> header;
  VirtualListModel* model = dataList_->Model();
  const bool report = dataList_->ViewStyle() == kStyleReport;
  // The report's first column of a table is the cursor marker: it holds no value.
  const int first = FirstValueColumn();
  const int last = report ? model->columnCount() : 1;
  for (int column = first; column < last; ++column)
    header.push_back(
        model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
  return header;
}

int MainWindow::FirstValueColumn() const {
  return dynamic_cast<xElement_Table*>(listCursor_->Element()) != nullptr ? 1 : 0;
}

bool MainWindow::CopyRows(int first, int count, std::string* text) {
  const std::vector<std::string> header = CopyHeader();
  std::string out = TabSeparatedLine(header);
  for (int row = first; row < first + count; ++row) {
    std::vector<std::string> fields;
    for (std::size_t i = 0; i < header.size(); ++i) {
      const std::optional<std::string> value =
          CellValueForCopy(row, FirstValueColumn() + static_cast<int>(i), false);
      if (!value) return false;
      fields.push_back(*value);
    }
    out += TabSeparatedLine(fields);
  }
  *text = std::move(out);
  return true;
}

void MainWindow::CopyCommand(unsigned id) {
  // The cells belong to a loading job while one runs.
  if (!IsConnected() || !IsIdle()) return;
  xElement* element = listCursor_->Element();
  const int items = dataList_->Model()->rowCount();
  if (element == nullptr || !element->HasData() || items == 0) return;
  const int row = std::clamp(dataList_->CursorRow(), 0, items - 1);
  std::optional<std::string> text;
  try {
    if (id == cmd::kCopy) {
      int column = dataList_->ViewStyle() == kStyleReport ? dataList_->CursorColumn() : 0;
      column = std::max(column, FirstValueColumn());
      text = CellValueForCopy(row, column, true);
    } else {
      std::string rows;
      const bool page = id == cmd::kCopyPage;
      if (CopyRows(page ? 0 : row, page ? items : 1, &rows)) text = std::move(rows);
    }
  } catch (const cmlib::exception& e) {
    ReportError(e.text());
    return;
  }
  if (text) QApplication::clipboard()->setText(QString::fromStdString(*text));
}

}  // namespace quillet::ui
