#pragma once

#include <mutex>
#include <vector>

#include "elements/element.h"

namespace quillet {

// The database element (slot 1): its items are the three folders.
class xElement_DB : public xElement {
 public:
  explicit xElement_DB(const ElementHost& host);

  void show_data(const ShowData* request) override;
  bool HasData() const override { return true; }
  int GetRowCount() const override;
  char* get_data(int item, int column, char* buffer, std::size_t size) override;
  int GetItemImage(int item, int column) const override;
  int GetChildSlot(int item) const override;

 private:
  struct FolderNode {
    std::string name;
    int image;
    int childSlot;
  };
  mutable std::mutex foldersLock_;
  std::vector<FolderNode> folders_;
};

}  // namespace quillet
