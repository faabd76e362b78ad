#pragma once

#include <string_view>

#include "base/message_box.h"

namespace vesk::qt {

// The fatal error box: no owner window, one OK button; returns when the observer closes it.
class QtMessageBox final : public MessageBox {
 public:
  void Show(std::string_view caption, std::string_view text) override;
};

// A question with Yes and No and the exclamation icon, no owner window. True only for Yes.
bool AskYesNo(std::string_view caption, std::string_view text);

}  // namespace vesk::qt
