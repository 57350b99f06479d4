#pragma once
// The bar above the page area that names the page shown: its title in large type on a
// two-colour gradient.

#include <QLabel>

namespace quillet::ui {

class CaptionBar : public QLabel {
  Q_OBJECT
 public:
  explicit CaptionBar(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace quillet::ui
