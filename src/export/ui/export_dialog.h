#pragma once
// "Export Rows": where the rows go and in which format. The export itself runs as a job of the
// window; this only asks.

#include <QDialog>

#include <optional>
#include <string>

#include "export/export_format.h"

class QButtonGroup;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace quillet::ui {

struct ExportRequest {
  std::string target;
  exporting::ExportOptions options;
};

class ExportDialog : public QDialog {
  Q_OBJECT
 public:
  // `what` names the rows ("Table: orders"); `tableName` is offered for the SQL statements.
  ExportDialog(QWidget* parent, const QString& what, const QString& tableName);

  // The choices as they stand; nothing while they cannot be used.
  std::optional<ExportRequest> Request() const;

  QLineEdit* FileEdit() const { return file_; }
  QComboBox* FormatBox() const { return format_; }
  QComboBox* SeparatorBox() const { return separator_; }
  QLineEdit* OtherSeparator() const { return otherSeparator_; }
  QRadioButton* NullAsText() const { return nullAsText_; }
  QLineEdit* NullText() const { return nullText_; }
  QLineEdit* SqlTable() const { return sqlTable_; }
  QDialogButtonBox* Buttons() const { return buttons_; }

 private:
  void Browse();
  void Update();
  exporting::ExportFormat Format() const;

  QLineEdit* file_;
  QComboBox* format_;
  QGroupBox* csvGroup_;
  QComboBox* separator_;
  QLineEdit* otherSeparator_;
  QRadioButton* nullAsEmpty_;
  QRadioButton* nullAsText_;
  QLineEdit* nullText_;
  QGroupBox* sqlGroup_;
  QLineEdit* sqlTable_;
  QLabel* problem_;
  QDialogButtonBox* buttons_;
};

// Shows the dialog; the request after Export, nothing after Cancel.
std::optional<ExportRequest> AskExport(QWidget* parent, const QString& what,
                                       const QString& tableName);

}  // namespace quillet::ui
