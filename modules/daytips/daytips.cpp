// The tip-of-the-day dialog, loaded by the program at run time. One export:
// ShowTipsDialogA(owner, tip file, show at start-up) shows the dialog modally and returns the
// new show-at-start-up state.

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <random>

#include "tip_file.h"

namespace {

// A small light bulb, drawn so the module needs no resources of its own.
QPixmap BulbPixmap() {
  QPixmap pixmap(40, 48);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0xa8, 0x74, 0x1a), 1.5));
  p.setBrush(QColor(0xf4, 0xc6, 0x65));
  p.drawEllipse(QRectF(5, 3, 30, 30));
  p.setBrush(QColor(0x8a, 0x96, 0xa3));
  p.setPen(QPen(QColor(0x34, 0x49, 0x5e), 1.2));
  p.drawRoundedRect(QRectF(13, 32, 14, 11), 2, 2);
  p.drawLine(QPointF(13, 36), QPointF(27, 36));
  p.drawLine(QPointF(13, 39.5), QPointF(27, 39.5));
  return pixmap;
}

class TipsDialog : public QDialog {
 public:
  TipsDialog(QWidget* owner, std::vector<std::string> tips, bool show)
      : QDialog(owner), tips_(std::move(tips)) {
    setWindowTitle(QStringLiteral("Tip of the Day"));
    auto* bulb = new QLabel(this);
    bulb->setPixmap(BulbPixmap());
    bulb->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    auto* heading = new QLabel(QStringLiteral("<b>Did you know...</b>"), this);
    text_ = new QLabel(this);
    text_->setWordWrap(true);
    text_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text_->setMinimumSize(360, 110);

    auto* page = new QFrame(this);
    page->setFrameShape(QFrame::StyledPanel);
    page->setAutoFillBackground(true);
    page->setBackgroundRole(QPalette::Base);
    auto* pageLayout = new QHBoxLayout(page);
    pageLayout->addWidget(bulb);
    auto* words = new QVBoxLayout;
    words->addWidget(heading);
    words->addWidget(text_, 1);
    pageLayout->addLayout(words, 1);

    showAtStart_ = new QCheckBox(QStringLiteral("&Show tips at startup"), this);
    showAtStart_->setChecked(show);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* next =
        buttons->addButton(QStringLiteral("&Next Tip"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    connect(next, &QPushButton::clicked, this, [this] { ShowTip(index_ + 1); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(showAtStart_);
    bottom->addStretch(1);
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page, 1);
    layout->addLayout(bottom);

    if (tips_.empty()) {
      next->setEnabled(false);
      text_->setText(QStringLiteral("No tips are available: the tip file is missing or empty."));
    } else {
      std::random_device seed;
      ShowTip(static_cast<std::size_t>(seed() % tips_.size()));
    }
  }

  bool ShowAtStart() const { return showAtStart_->isChecked(); }

 private:
  void ShowTip(std::size_t index) {
    if (tips_.empty()) return;
    index_ = index % tips_.size();
    text_->setText(QString::fromStdString(tips_[index_]));
  }

  std::vector<std::string> tips_;
  std::size_t index_ = 0;
  QLabel* text_;
  QCheckBox* showAtStart_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int ShowTipsDialogA(void* owner,
                                                                      const char* tipFile,
                                                                      int show) {
  // The owner is the program's main window (a QWidget); without an application there is nothing
  // to show a dialog in.
  if (QApplication::instance() == nullptr) return show;
  TipsDialog dialog(static_cast<QWidget*>(owner),
                    quillet::daytips::LoadTipFile(tipFile != nullptr ? tipFile : ""), show != 0);
  dialog.exec();
  return dialog.ShowAtStart() ? 1 : 0;
}
