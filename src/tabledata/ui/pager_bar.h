#pragma once
// The strip under the data list of a table, view or query: First, Previous, the page number,
// Next and Last, and which rows the list shows of how many ("Rows 101–200 of 10,000,000").

#include <QWidget>

class QAction;
class QLabel;
class QLineEdit;
class QToolButton;

namespace quillet::ui {

class PagerBar : public QWidget {
  Q_OBJECT
 public:
  explicit PagerBar(QWidget* parent = nullptr);

  // The buttons show these commands; their enabling is the window's.
  void SetActions(QAction* first, QAction* previous, QAction* next, QAction* last);

  // The page shown (0-based) of `pageCount` pages (-1 while the rows are counted), its first
  // row (0-based) and row count, and the rows in all (the rows known so far while counting).
  void ShowPage(int page, long long pageCount, long long firstRow, int rows, long long total);
  // A table of one page has nothing to turn.
  void SetTurnable(bool turnable);

  QString RowsText() const;
  QLineEdit* PageBox() const { return page_; }

 signals:
  // The user typed a page number (1-based) and pressed Enter.
  void pageEntered(long long page);

 private:
  QToolButton* first_;
  QToolButton* previous_;
  QLineEdit* page_;
  QLabel* pageCount_;
  QToolButton* next_;
  QToolButton* last_;
  QLabel* rows_;
};

}  // namespace quillet::ui
