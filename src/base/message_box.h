#pragma once

#include <string_view>

namespace vesk {

// A modal box with one OK button; Show returns when the observer has closed it.
class MessageBox {
 public:
  virtual ~MessageBox() = default;
  virtual void Show(std::string_view caption, std::string_view text) = 0;
};

}  // namespace vesk
