#pragma once

#include <string>
#include <utility>

namespace cmlib {

// The program's own exception: one text, made of a context, ": " and a reason.
class exception {
 public:
  explicit exception(std::string text) : text_(std::move(text)) {}
  const std::string& text() const { return text_; }
  const char* what() const { return text_.c_str(); }

 private:
  std::string text_;
};

}  // namespace cmlib
