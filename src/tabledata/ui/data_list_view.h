#pragma once
// The main window's central list. It shows the items of the element the last job showed: in a
// report view with a cell cursor (keyboard and mouse move it, leaving the page turns the row
// cache's page), or as icons, small icons or a list. Long-data cells open the viewer menu.

#include <QListView>
#include <QMenu>
#include <QStackedWidget>
#include <QTableView>

#include <cstdint>
#include <functional>
#include <string>

#include "resources/menu_model.h"
#include "tabledata/ui/virtual_list_model.h"

namespace quillet {
class xElement;
}

namespace quillet {
class DataListModel;
}

namespace quillet::ui {

class DataListView;

// The report view: forwards keys and clicks to the list's cursor logic.
class DataTableView : public QTableView {
  Q_OBJECT
 public:
  explicit DataTableView(DataListView* list);
  int RowsPerPage() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  DataListView* list_;
};

// The icon, small-icon and list views.
class DataItemsView : public QListView {
  Q_OBJECT
 public:
  explicit DataItemsView(DataListView* list);
  int RowsPerPage() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  DataListView* list_;
};

enum ListViewStyle : unsigned {
  kStyleIcons = 0,
  kStyleReport = 1,
  kStyleSmallIcons = 2,
  kStyleList = 3
};

class DataListView : public QWidget {
  Q_OBJECT
 public:
  // `cursor` is the list's behaviour without its window: the element shown, the cell cursor,
  // key and mouse handling and page turning.
  DataListView(DataListModel& cursor, QWidget* parent = nullptr);

  VirtualListModel* Model() const { return model_; }
  DataListModel& Cursor() const { return cursor_; }
  DataTableView* ReportView() const { return table_; }
  DataItemsView* ItemsView() const { return items_; }
  QAbstractItemView* CurrentView() const;

  // Icons 0, report 1, small icons 2, list 3.
  void SetViewStyle(unsigned style);
  unsigned ViewStyle() const { return style_; }

  // Columns as the loading job builds them. Column 0 of table data is the fixed marker column.
  void InsertColumn(const QString& title, int index);
  void SetColumnWidth(int index, int width);
  void DeleteColumns();
  void SetItemCount(int count);
  void Redraw();

  // Options of the data list settings: the list's own looks.
  void SetFullRowCursor(bool on);
  bool FullRowCursor() const { return fullRow_ || (extendedStyle_ & kExFullRowSelect) != 0; }
  void SetShowGrid(bool on);
  void SetFlatScrollBars(bool on);
  void SetToolTipOptions(bool onPlainClick, bool onShiftClick);
  // The window's commands on the list's rows: its context menu, and the end of the cell menu.
  void SetListActions(const QList<QAction*>& actions);
  // The shown element's extended style, added to the list's own looks: grid lines, a whole-row
  // cursor, flat scroll bars.
  static constexpr std::uint32_t kExGridLines = 0x1;
  static constexpr std::uint32_t kExFullRowSelect = 0x20;
  static constexpr std::uint32_t kExFlatScrollBars = 0x100;
  void SetExtendedStyle(std::uint32_t style);

  int CursorRow() const;
  int CursorColumn() const;
  // Moves the cursor (as a click on that cell does) and reports the row status.
  void SetCursor(int row, int column);
  // Takes the element the last job showed and the list's new item count.
  void ShowElement(xElement* element, int count);
  // A page job has ended: the new page's item count (-1 when the page stayed), the cursor's row
  // in it (-1 leaves it); the keys pressed meanwhile follow.
  void PageShown(int count, int cursorRow);

  // The cursor logic of one key; true when the key is one the list acts on.
  bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
  // A press in the report view at a point of the viewport.
  void HandleReportPress(const QPoint& viewportPos, Qt::MouseButton button);
  // A left press or release: the data description tool tip.
  void HandleToolTipClick(const QPoint& viewportPos, const QPoint& globalPos,
                          Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

  // The cursor cell's viewer menu: the plug-ins of the element's hand-over that accept the
  // cell (a filler, when set, takes the hand-over's place). An element without hand-over opens
  // no menu. Choosing an entry emits cellMenuCommand.
  void OpenCellMenu();
  QMenu* CellMenu() const { return cellMenu_; }
  void SetCellMenuFiller(std::function<bool(QMenu*, int row, int column)> filler) {
    menuFiller_ = std::move(filler);
  }
  // The last tool tip shown (title and text), for checks.
  QString LastToolTip() const { return lastToolTip_; }

 signals:
  // After every cursor change: row in page and column.
  void cursorChanged(int row, int column);
  // Double-click or Enter on an item (activation of folder items).
  void itemActivated(int row);
  // An entry of the cell menu was chosen (a plug-in command, 53248 to 53504).
  void cellMenuCommand(unsigned id);

 private:
  int RowsPerVisiblePage() const;
  void ApplyMarkerColumn();
  void SyncCurrentIndex();
  void ReportCursor();

  DataListModel& cursor_;
  VirtualListModel* model_;
  QStackedWidget* stack_;
  DataTableView* table_;
  DataItemsView* items_;
  QMenu* cellMenu_;
  QList<QAction*> listActions_;
  void ApplyLooks();
  void FitListGrid();

  unsigned style_ = kStyleReport;
  bool showGrid_ = true;
  bool flatScrollBars_ = false;
  std::uint32_t extendedStyle_ = 0;
  bool markerColumn_ = false;
  bool fullRow_ = true;
  bool tipOnClick_ = false;
  bool tipOnShiftClick_ = true;
  QString lastToolTip_;
  std::function<bool(QMenu*, int, int)> menuFiller_;
  shell::MenuModel cellMenuModel_;  // kept between uses: a failed refill shows the old items
};

}  // namespace quillet::ui
