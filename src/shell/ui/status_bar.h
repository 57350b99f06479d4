#pragma once
// The main window's status bar: a stretching message pane, then three fixed panes (the shown
// element's status text, the object count, the row position), each as wide as its own string.
// While a job runs a progress bar covers the object-count pane.

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

#include <map>
#include <string>

namespace quillet::ui {

class FrameStatusBar : public QStatusBar {
  Q_OBJECT
 public:
  static constexpr unsigned kElementStatusPane = 57393;
  static constexpr unsigned kObjectCountPane = 57391;
  static constexpr unsigned kRowStatusPane = 57392;

  explicit FrameStatusBar(QWidget* parent = nullptr);

  void SetMessageText(const QString& text);
  QString MessageText() const { return message_->text(); }
  // A fixed pane by its string id; an unknown id is ignored.
  void SetPaneText(unsigned paneId, const QString& text);
  QString PaneText(unsigned paneId) const;

  // "Object(s): %i" and "Row %i , Ln. %i" filled from their strings.
  void SetObjectCount(int count);
  void SetRowStatus(int row, int column);
  void SetElementStatus(const QString& statusText);

  // Progress over the object-count pane. A handle that is no longer the current bar's is ignored.
  int CreateProgressBar();
  // Shows the bar for a handle made elsewhere (the worker's calls carry their own).
  void ShowProgressBar(int handle);
  void SetProgress(int handle, int position);
  void HideProgressBar(int handle);
  // Hides the bar whoever showed it (a job whose calls no longer count).
  void HideAnyProgressBar() { HideProgressBar(progressHandle_); }
  QProgressBar* Progress() const { return progress_; }
  bool ProgressVisible() const { return progress_->isVisible(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLabel* AddFixedPane(unsigned stringId);
  void PlaceProgress();

  QLabel* message_;
  std::map<unsigned, QLabel*> panes_;
  QProgressBar* progress_;
  int progressHandle_ = 0;
  int nextHandle_ = 1;
};

// printf-style filling of the program's pane strings ("%i", "%s"), keeping trailing blanks.
std::string FormatPaneString(unsigned stringId, int first, int second = 0);
std::string FormatPaneString(unsigned stringId, const std::string& text);

}  // namespace quillet::ui
