#pragma once

#include <string_view>

namespace vesk {

// What the User Messages window offers the message log. An implementation called from a
// non-UI thread hands the work to the UI thread itself; calls arrive in log order.
class MessageView {
 public:
  virtual ~MessageView() = default;
  // Adds one entry (it starts with its own line break) at the end and scrolls to it.
  virtual void AppendEntry(std::string_view entry) = 0;
  virtual void Clear() = 0;
};

}  // namespace vesk
