#include "elements/element.h"

#include <cstring>
#include <vector>

#include "datasource/text_convert.h"
#include "elements/element_slots.h"
#include "elements/frame_services.h"
#include "resources/string_table.h"

namespace quillet {

xElement::xElement(const ElementHost& host, unsigned nameId, int ownSlot, int parentSlot,
                   int childSlot, int itemImage)
    : host_(host),
      name_(LoadResourceString(nameId)),
      parentSlot_(parentSlot),
      childSlot_(childSlot),
      ownSlot_(ownSlot),
      itemImage_(itemImage) {}

xElement::~xElement() = default;

void xElement::ShowDefault() {
  ShowData request;
  request.redrawColumns = true;
  request.reload = false;
  show_data(&request);
}

char* xElement::GetCellDescription(int, int, char* buffer, std::size_t size) {
  if (buffer && size > 0) buffer[0] = '\0';
  return buffer;
}

int xElement::GetItemImage(int, int) const {
  return itemImage_;
}

std::string xElement::GetDisplayName() const {
  std::lock_guard lock(nameLock_);
  return name_;
}

void xElement::SetDisplayName(const std::string& name) {
  std::lock_guard lock(nameLock_);
  name_ = name;
}

int xElement::GetChildSlot(int) const {
  return childSlot_;
}

// The list and its tool tip ask for texts from inside the window's painting: nothing may escape
// from there, whatever an element throws; a cell that fails shows nothing.
std::string xElement::Text(int item, int column, std::size_t size) {
  std::vector<char> buffer(size + 1, '\0');
  try {
    get_data(item, column, buffer.data(), size);
  } catch (...) {
    return {};
  }
  return std::string(buffer.data());
}

std::string xElement::Description(int item, int column, std::size_t size) {
  std::vector<char> buffer(size + 1, '\0');
  try {
    GetCellDescription(item, column, buffer.data(), size);
  } catch (...) {
    return {};
  }
  return std::string(buffer.data());
}

void xElement::ReportNullRequest(const char* where) const {
  if (host_.services)
    host_.services->ShowMessage("Fatal Error", std::string(where) + "(pShowData = NULL)",
                                MessageIcon::Error);
}

void xElement::ReportUnknownError() const {
  if (host_.services)
    host_.services->ShowMessage(LoadResourceString(ids::kErrorCaption),
                                LoadResourceString(ids::kUnknownError), MessageIcon::Error);
}

char* CopyText(const std::string& text, char* buffer, std::size_t size) {
  if (!buffer || size == 0) return buffer;
  std::size_t n = db::Utf8CutLength(std::string_view(text.data(), text.size()), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return buffer;
}

}  // namespace quillet
