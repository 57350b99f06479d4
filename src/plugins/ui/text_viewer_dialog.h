#pragma once
// "Showing data as plain text": the text viewer's resizable dialog with a read-only text box.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace quillet::plugins::ui {

class TextViewerDialog : public QDialog {
  Q_OBJECT
 public:
  TextViewerDialog(const QString& text, QWidget* parent = nullptr);

  QPlainTextEdit* TextBox() const { return edit_; }
  QPushButton* AboutButton() const { return about_; }
  QPushButton* CloseButton() const { return close_; }

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ShowProgramAbout();

  QPlainTextEdit* edit_;
  QPushButton* about_;
  QPushButton* close_;
};

}  // namespace quillet::plugins::ui
