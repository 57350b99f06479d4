#pragma once
// "Quillet Properties": the window's option pages in a tree on the left, the page chosen on the
// right under a caption bar, and OK, Cancel and Apply. The dialog changes the options in memory
// only ("SingleInstance" excepted, which the General page writes at once); the window applies
// the changed pages to its views after the dialog has closed.

#include <QDialog>

#include <functional>
#include <map>

#include "config/page_set.h"
#include "config/registry_store.h"

class QGroupBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillet::ui {

class CaptionBar;
class PropertyPage;

class PropertiesDialog : public QDialog {
  Q_OBJECT
 public:
  // `currentPage` is the id of the page shown last; the dialog opens on it and keeps it up to
  // date, so the next opening starts where this one ended.
  PropertiesDialog(config::PageSet& pages, config::RegistryStore& store, unsigned& currentPage,
                   QWidget* owner = nullptr);

  // Hides the current page, shows page `id` with its title in the caption bar and makes it the
  // current page. An id without a page changes nothing.
  void ShowPage(unsigned id);
  // Every page in id order stores its controls; stops at the first that fails. When all
  // succeed, Apply is disabled again.
  bool ApplyPages();

  // The sound made for a number field that holds no number (tests replace it).
  void SetBeep(std::function<void()> beep) { beep_ = std::move(beep); }

  unsigned CurrentPageId() const { return currentPage_; }
  PropertyPage* Page(unsigned id) const;
  QTreeWidgetItem* TreeItem(unsigned id) const;
  QTreeWidget* PageTree() const { return tree_; }
  CaptionBar* Caption() const { return caption_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  QPushButton* ApplyButton() const { return apply_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FillTree(const config::PageSet& pages);
  void CreatePages(config::PageSet& pages, config::RegistryStore& store);
  void OnTreeSelection();
  void OnOk();
  void CenterOverOwner();

  unsigned& currentPage_;
  std::function<void()> beep_;
  std::map<unsigned, PropertyPage*> pages_;  // id order
  std::map<unsigned, QTreeWidgetItem*> items_;
  QTreeWidget* tree_;
  CaptionBar* caption_;
  QGroupBox* frame_;
  QWidget* placeholder_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QPushButton* apply_;
  bool centred_ = false;
};

}  // namespace quillet::ui
