#pragma once

#include <string>
#include <vector>

#include "base/message_box.h"
#include "base/message_view.h"

namespace vesk::testing {

// Keeps what the message log shows, entry by entry.
class RecordingView final : public MessageView {
 public:
  void AppendEntry(std::string_view entry) override { entries.emplace_back(entry); }
  void Clear() override {
    entries.clear();
    ++clears;
  }
  std::string Text() const {
    std::string text;
    for (const auto& e : entries) text += e;
    return text;
  }
  std::vector<std::string> entries;
  int clears = 0;
};

class RecordingMessageBox final : public MessageBox {
 public:
  void Show(std::string_view caption, std::string_view text) override {
    shown.emplace_back(std::string(caption), std::string(text));
  }
  std::vector<std::pair<std::string, std::string>> shown;
};

}  // namespace vesk::testing
