#pragma once
// The data list's behaviour without its window: which element it shows, the cell cursor, the
// keys and mouse presses that move it, page turning and the row status. The view calls these on
// the user-interface thread; the loading job only hands over the element.

#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace quillet {

class FrameServices;
class IdleState;
class xElement;

class DataListModel {
 public:
  explicit DataListModel(FrameServices& services) : services_(services) {}

  enum class Key { Up, Down, PageUp, PageDown, Left, Right, Enter };

  // The worker's idle state: pages are not turned while a job runs (the job holds the data).
  void SetIdleState(const IdleState* idle) { idle_ = idle; }

  // How the list turns to another page: the frame runs a page job and calls PageShown when it
  // has ended. Without a requester a page is loaded at once, on the caller's thread.
  using PageRequester = std::function<void(int page, int cursorRow)>;
  void SetPageRequester(PageRequester requester) { requester_ = std::move(requester); }
  // A page job for this list is on its way (a page turn, or a jump the frame started): keys
  // wait until it has ended, so none is lost or applied to the page that is going.
  void BeginPageTurn();
  bool PageTurnPending() const;
  // The page job has ended: the list's new item count, the cursor's row (-1 leaves it). The
  // keys that waited are applied then, with `rowsPerPage` and `columnCount` as they were.
  void PageShown(int itemCount, int cursorRow);
  // The page job was given up: nothing waits for it any more and the waiting keys are dropped.
  void CancelPageTurn();

  // The element whose data the list shows (the job sets it when it ends).
  void SetElement(xElement* element);
  xElement* Element() const;

  int CurrentRow() const;
  int CurrentColumn() const;
  void SetCursor(int row, int column);

  // The text of a cell for the view; empty while a job runs or when the element has no data.
  std::string DisplayText(int item, int column, bool idle) const;

  // A key press. `itemCount` is the list's item count, `rowsPerPage` the rows one screen
  // shows, `columnCount` the list's column count (with the marker column). Returns true when
  // the plug-in menu should open (Enter on a long value). The row status follows every change.
  bool OnKeyDown(Key key, int itemCount, int rowsPerPage, int columnCount);

  // A button press on item `item` and sub-item `subItem` (-1: none). `inButton` is true when
  // the press fell within the first 22 pixels of the cell. Returns true when the plug-in menu
  // should open (a left press on the button of the cursor cell holding a long value).
  bool OnButtonDown(bool left, bool reportView, int item, int subItem, bool inButton);

  // Page turning through the element's pager; a failure goes to the report log.
  void NextPage();
  void PreviousPage();

  // "Row %i , Ln. %i" for the cursor: the absolute row (with a pager) and the column.
  std::string RowStatusText() const;
  void ReportRowStatus() const;

 private:
  bool TurnPage(int delta, int cursorRow);
  bool CursorOnLongValue() const;
  struct WaitingKey {
    Key key;
    int rowsPerPage;
    int columnCount;
  };

  FrameServices& services_;
  const IdleState* idle_ = nullptr;
  mutable std::recursive_mutex lock_;  // guards the element pointer and the cursor
  xElement* element_ = nullptr;
  int row_ = 0;
  int column_ = 0;
  PageRequester requester_;
  bool turnPending_ = false;
  std::deque<WaitingKey> waitingKeys_;
};

}  // namespace quillet
