#pragma once
// The report window's contents: a three-column list over the window's report log, newest entry on
// top, with its own empty-log text.

#include <QAbstractTableModel>
#include <QIcon>
#include <QTableView>

#include "report/report_log.h"

namespace quillet::ui {

class ReportModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit ReportModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void Add(int type, const std::string& description);
  const report::ReportLog& Log() const { return log_; }

 private:
  report::ReportLog log_;
  QIcon icons_[2];
};

// The list itself: paints the empty-log text while it holds no entry.
class ReportView : public QTableView {
  Q_OBJECT
 public:
  explicit ReportView(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class ReportPane : public QWidget {
  Q_OBJECT
 public:
  explicit ReportPane(QWidget* parent = nullptr);

  // Adds an entry, repaints at once and marks row 0.
  void AddEntry(int type, const std::string& description);
  // Grid lines, whole-row selection and flat scroll bars, each on or off; the rest stays fixed.
  void ApplyReportOptions(bool showGrid, bool fullRowSelect, bool flatScrollBars);

  ReportModel* Model() const { return model_; }
  ReportView* View() const { return view_; }

 private:
  ReportModel* model_;
  ReportView* view_;
  bool adding_ = false;
  bool userPicked_ = false;
};

}  // namespace quillet::ui
