#pragma once
// The data list's model: virtual, it holds no items of its own. Every cell text is asked of the
// element the list shows (per cell, through get_data), and nothing at all is given while a
// loading job runs, since the job owns the element's data then.

#include <QAbstractTableModel>
#include <QStringList>

#include <functional>

namespace quillet {
class xElement;
}

namespace quillet::ui {

class VirtualListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit VirtualListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // True while the element's data may be read (no job running). Unset means always.
  void SetIdleProbe(std::function<bool()> probe) { idle_ = std::move(probe); }
  bool IsIdle() const { return !idle_ || idle_(); }

  void SetElement(xElement* element) { element_ = element; }
  xElement* Element() const { return element_; }

  void SetItemCount(int count);
  // Inserts a column before `index` (appends past the end).
  void InsertColumn(const QString& title, int index);
  void DeleteColumns();
  // Repaints every shown cell from the element.
  void Redraw();

  // The text of one cell as the list shows it; empty while busy or without data.
  QString CellText(int row, int column) const;

 private:
  std::function<bool()> idle_;
  xElement* element_ = nullptr;
  int itemCount_ = 0;
  QStringList titles_;
};

}  // namespace quillet::ui
