#include "config/ui/caption_bar.h"

#include <QLinearGradient>
#include <QPainter>

namespace quillet::ui {

CaptionBar::CaptionBar(QWidget* parent) : QLabel(parent) {
  QFont face(QStringLiteral("Arial"), 14);
  face.setStyleHint(QFont::SansSerif);  // the nearest face where Arial is not installed
  setFont(face);
  setTextFormat(Qt::PlainText);  // "<Unknown>" is a text, not markup
  setText(QStringLiteral("<Unknown>"));
  setFrameShape(QFrame::NoFrame);
  setContentsMargins(8, 4, 8, 4);
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, Qt::black);
  setPalette(colours);
}

void CaptionBar::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    QLinearGradient gradient(rect().topLeft(), rect().topRight());
    gradient.setColorAt(0, QColor(210, 225, 255));
    gradient.setColorAt(1, QColor(160, 180, 255));
    painter.fillRect(rect(), gradient);
  }
  QLabel::paintEvent(event);
}

}  // namespace quillet::ui
