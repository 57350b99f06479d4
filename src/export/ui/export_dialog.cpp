#include "export/ui/export_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "resources/ui/dialog_hooks.h"

namespace quillet::ui {
namespace {

struct FormatChoice {
  exporting::ExportFormat format;
  const char* label;
  const char* extension;
  const char* filter;
};

constexpr FormatChoice kFormats[] = {
    {exporting::ExportFormat::Csv, "CSV (comma-separated values)", "csv", "CSV files (*.csv)"},
    {exporting::ExportFormat::JsonLines, "JSON Lines (one object per row)", "jsonl",
     "JSON Lines files (*.jsonl)"},
    {exporting::ExportFormat::SqlInserts, "SQL INSERT statements", "sql", "SQL files (*.sql)"},
};

// The separators offered by name; "Other" takes the character typed beside it.
constexpr const char* kSeparators[][2] = {
    {"Comma", ","}, {"Semicolon", ";"}, {"Tab", "\t"}, {"Other:", ""}};
constexpr int kOtherSeparator = 3;

}  // namespace

ExportDialog::ExportDialog(QWidget* parent, const QString& what, const QString& tableName)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Export Rows"));
  auto* intro = new QLabel(QStringLiteral("Every row of %1, not only the page shown.").arg(what));
  intro->setWordWrap(true);

  file_ = new QLineEdit;
  file_->setMinimumWidth(320);
  auto* browse = new QPushButton(QStringLiteral("&Browse..."));
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(file_, 1);
  fileRow->addWidget(browse);
  format_ = new QComboBox;
  for (const FormatChoice& choice : kFormats) format_->addItem(QString::fromLatin1(choice.label));
  auto* top = new QFormLayout;
  // A row whose field is a layout gets its label's buddy by hand, so the mnemonic works.
  const auto label = [](const QString& text, QWidget* buddy) {
    auto* shown = new QLabel(text);
    shown->setBuddy(buddy);
    return shown;
  };
  top->addRow(label(QStringLiteral("&File:"), file_), fileRow);
  top->addRow(QStringLiteral("F&ormat:"), format_);

  csvGroup_ = new QGroupBox(QStringLiteral("CSV"));
  separator_ = new QComboBox;
  for (const auto& separator : kSeparators) separator_->addItem(QString::fromLatin1(separator[0]));
  otherSeparator_ = new QLineEdit;
  otherSeparator_->setMaxLength(1);
  otherSeparator_->setFixedWidth(
      otherSeparator_->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 3);
  auto* separatorRow = new QHBoxLayout;
  separatorRow->addWidget(separator_);
  separatorRow->addWidget(otherSeparator_);
  separatorRow->addStretch(1);
  nullAsEmpty_ =
      new QRadioButton(QStringLiteral("an &empty field (an empty text is written as \"\")"));
  nullAsText_ = new QRadioButton(QStringLiteral("the &text:"));
  nullAsEmpty_->setChecked(true);
  nullText_ = new QLineEdit(QStringLiteral("NULL"));
  auto* nullTextRow = new QHBoxLayout;
  nullTextRow->addWidget(nullAsText_);
  nullTextRow->addWidget(nullText_, 1);
  auto* nullRows = new QVBoxLayout;
  nullRows->addWidget(nullAsEmpty_);
  nullRows->addLayout(nullTextRow);
  auto* csvForm = new QFormLayout(csvGroup_);
  csvForm->addRow(label(QStringLiteral("&Separator:"), separator_), separatorRow);
  csvForm->addRow(QStringLiteral("NULL as:"), nullRows);

  sqlGroup_ = new QGroupBox(QStringLiteral("SQL"));
  sqlTable_ = new QLineEdit(tableName);
  auto* sqlForm = new QFormLayout(sqlGroup_);
  sqlForm->addRow(QStringLiteral("Insert into &table:"), sqlTable_);

  problem_ = new QLabel;
  problem_->setWordWrap(true);
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("E&xport"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addLayout(top);
  layout->addWidget(csvGroup_);
  layout->addWidget(sqlGroup_);
  layout->addWidget(problem_);
  layout->addStretch(1);
  layout->addWidget(buttons_);

  connect(browse, &QPushButton::clicked, this, &ExportDialog::Browse);
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  for (QLineEdit* edit : {file_, otherSeparator_, nullText_, sqlTable_})
    connect(edit, &QLineEdit::textChanged, this, &ExportDialog::Update);
  for (QComboBox* box : {format_, separator_})
    connect(box, &QComboBox::currentIndexChanged, this, &ExportDialog::Update);
  connect(nullAsText_, &QRadioButton::toggled, this, &ExportDialog::Update);
  Update();
}

exporting::ExportFormat ExportDialog::Format() const {
  const int index =
      std::clamp(format_->currentIndex(), 0, static_cast<int>(std::size(kFormats)) - 1);
  return kFormats[index].format;
}

std::optional<ExportRequest> ExportDialog::Request() const {
  ExportRequest request;
  request.target = file_->text().trimmed().toStdString();
  if (request.target.empty()) return std::nullopt;
  request.options.format = Format();
  const int separator = separator_->currentIndex();
  request.options.separator = separator == kOtherSeparator
                                  ? otherSeparator_->text().toStdString()
                                  : std::string(kSeparators[std::max(separator, 0)][1]);
  if (nullAsText_->isChecked()) request.options.nullText = nullText_->text().toStdString();
  request.options.tableName = sqlTable_->text().trimmed().toStdString();
  if (!exporting::CheckOptions(request.options).empty()) return std::nullopt;
  return request;
}

void ExportDialog::Update() {
  const exporting::ExportFormat format = Format();
  csvGroup_->setVisible(format == exporting::ExportFormat::Csv);
  sqlGroup_->setVisible(format == exporting::ExportFormat::SqlInserts);
  otherSeparator_->setEnabled(separator_->currentIndex() == kOtherSeparator);
  nullText_->setEnabled(nullAsText_->isChecked());
  // Say what keeps Export off, once there is a file to write.
  QString problem;
  if (!file_->text().trimmed().isEmpty()) {
    exporting::ExportOptions options;
    options.format = format;
    const int separator = separator_->currentIndex();
    options.separator = separator == kOtherSeparator
                            ? otherSeparator_->text().toStdString()
                            : std::string(kSeparators[std::max(separator, 0)][1]);
    options.tableName = sqlTable_->text().trimmed().toStdString();
    problem = QString::fromStdString(exporting::CheckOptions(options));
  }
  problem_->setText(problem);
  problem_->setVisible(!problem.isEmpty());
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(Request().has_value());
  adjustSize();
}

void ExportDialog::Browse() {
  const FormatChoice& choice =
      kFormats[std::clamp(format_->currentIndex(), 0, static_cast<int>(std::size(kFormats)) - 1)];
  FileRequest request;
  request.owner = this;
  request.save = true;
  request.title = QStringLiteral("Export Rows");
  request.filter = QString::fromLatin1(choice.filter);
  request.defaultExtension = QString::fromLatin1(choice.extension);
  const QString path = ChooseFile(request);
  if (!path.isEmpty()) file_->setText(path);
}

std::optional<ExportRequest> AskExport(QWidget* parent, const QString& what,
                                       const QString& tableName) {
  ExportDialog dialog(parent, what, tableName);
  if (RunDialog(dialog) != QDialog::Accepted) return std::nullopt;
  return dialog.Request();
}

}  // namespace quillet::ui
