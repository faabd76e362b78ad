#include "base/name_filter.h"

#include <algorithm>

namespace vesk {
namespace {

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == ' ';
}

bool IsCommentOnlyCharacter(char c) {
  constexpr std::string_view kExtra = "{}()[].:+#*";
  return kExtra.find(c) != std::string_view::npos;
}

}  // namespace

bool FilterNameCharacters(std::string* text, bool extended) {
  const auto dropped = [extended](char c) {
    return !(IsNameCharacter(c) || (extended && IsCommentOnlyCharacter(c)));
  };
  const auto kept_end = std::remove_if(text->begin(), text->end(), dropped);
  const bool removed = kept_end != text->end();
  text->erase(kept_end, text->end());
  return removed;
}

}  // namespace vesk
