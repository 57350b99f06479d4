#pragma once
// "Plug-ins": the viewer plug-ins each element of a window has loaded, by element.

#include <QDialog>

class QPushButton;
class QTreeWidget;

namespace quillet {
class xElementSet;
}

namespace quillet::plugins::ui {

class PluginsDialog : public QDialog {
  Q_OBJECT
 public:
  PluginsDialog(xElementSet& elements, QWidget* parent = nullptr);

  QTreeWidget* Tree() const { return tree_; }
  QPushButton* ConfigurateButton() const { return configurate_; }
  QPushButton* AboutButton() const { return about_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Fill();

  xElementSet& elements_;
  QTreeWidget* tree_;
  QPushButton* configurate_;
  QPushButton* about_;
};

}  // namespace quillet::plugins::ui
