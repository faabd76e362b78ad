#include "recording/file_naming.h"

namespace vesk {

std::string BuildPrefixedName(std::string_view folder, std::string_view asteroid_name,
                              std::string_view star_name, std::string_view global_prefix) {
  std::string name(folder);
  for (const std::string_view part : {asteroid_name, star_name, global_prefix}) {
    if (part.empty()) continue;
    name += part;
    name += '_';
  }
  return name;
}

}  // namespace vesk
