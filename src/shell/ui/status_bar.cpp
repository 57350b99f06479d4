#include "shell/ui/status_bar.h"

#include <QTimer>

#include <cstdio>
#include <vector>

#include "resources/string_table.h"

namespace quillet::ui {
namespace {

constexpr unsigned kStringReady = 57345;

// The pane strings end in blanks that set the pane's width; the text shown keeps them, but a
// label would also centre on them, so they are trimmed for display only.
QString ForDisplay(const std::string& text) {
  return QString::fromStdString(text).trimmed();
}

}  // namespace

std::string FormatPaneString(unsigned stringId, int first, int second) {
  const std::string format = LoadResourceString(stringId);
  std::vector<char> buffer(format.size() + 64);
  // The format comes from our own string table, with %i conversions only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  std::snprintf(buffer.data(), buffer.size(), format.c_str(), first, second);
#pragma GCC diagnostic pop
  return buffer.data();
}

std::string FormatPaneString(unsigned stringId, const std::string& text) {
  std::string format = LoadResourceString(stringId);
  const auto at = format.find("%s");
  if (at == std::string::npos) return format;
  format.replace(at, 2, text);
  return format;
}

FrameStatusBar::FrameStatusBar(QWidget* parent) : QStatusBar(parent) {
  message_ = new QLabel(QString::fromStdString(LoadResourceString(kStringReady)), this);
  message_->setMinimumWidth(40);
  addWidget(message_, 1);
  AddFixedPane(kElementStatusPane);
  AddFixedPane(kObjectCountPane);
  AddFixedPane(kRowStatusPane);
  progress_ = new QProgressBar(panes_[kObjectCountPane]);
  progress_->setRange(0, 100);
  progress_->setTextVisible(false);
  progress_->hide();
}

QLabel* FrameStatusBar::AddFixedPane(unsigned stringId) {
  auto* label = new QLabel(this);
  // As wide as the pane's string with its trailing blanks, whatever it shows later.
  const QString sizing = QString::fromStdString(LoadResourceString(stringId));
  label->setFixedWidth(label->fontMetrics().horizontalAdvance(sizing) + 8);
  label->setFrameShape(QFrame::StyledPanel);
  label->setFrameShadow(QFrame::Sunken);
  label->setTextFormat(Qt::PlainText);
  addPermanentWidget(label);
  panes_[stringId] = label;
  return label;
}

void FrameStatusBar::SetMessageText(const QString& text) {
  // A finished job clears its step text; the pane then says the window is ready again.
  message_->setText(text.isEmpty() ? QString::fromStdString(LoadResourceString(kStringReady))
                                   : text);
}

void FrameStatusBar::SetPaneText(unsigned paneId, const QString& text) {
  auto it = panes_.find(paneId);
  if (it == panes_.end()) return;
  it->second->setText(text);
  it->second->setToolTip(text);
}

QString FrameStatusBar::PaneText(unsigned paneId) const {
  auto it = panes_.find(paneId);
  return it == panes_.end() ? QString() : it->second->text();
}

void FrameStatusBar::SetObjectCount(int count) {
  SetPaneText(kObjectCountPane, ForDisplay(FormatPaneString(kObjectCountPane, count)));
}

void FrameStatusBar::SetRowStatus(int row, int column) {
  SetPaneText(kRowStatusPane, ForDisplay(FormatPaneString(kRowStatusPane, row, column)));
}

void FrameStatusBar::SetElementStatus(const QString& statusText) {
  SetPaneText(kElementStatusPane,
              ForDisplay(FormatPaneString(kElementStatusPane, statusText.toStdString())));
}

int FrameStatusBar::CreateProgressBar() {
  const int handle = nextHandle_++;
  ShowProgressBar(handle);
  return handle;
}

void FrameStatusBar::ShowProgressBar(int handle) {
  progressHandle_ = handle;
  progress_->setValue(1);
  PlaceProgress();
  progress_->show();
  progress_->raise();
}

void FrameStatusBar::SetProgress(int handle, int position) {
  if (handle != progressHandle_ || handle == 0) return;
  progress_->setValue(std::clamp(position, 0, 100));
}

void FrameStatusBar::HideProgressBar(int handle) {
  if (handle != progressHandle_) return;
  progress_->hide();
  progressHandle_ = 0;
}

void FrameStatusBar::PlaceProgress() {
  QLabel* pane = panes_[kObjectCountPane];
  progress_->setGeometry(pane->contentsRect());
}

void FrameStatusBar::resizeEvent(QResizeEvent* event) {
  QStatusBar::resizeEvent(event);
  PlaceProgress();
}

}  // namespace quillet::ui
