#pragma once

#include <string>
#include <string_view>

namespace vesk {

// folder, then each non-empty part followed by "_": the common front of event file and
// video file names.
std::string BuildPrefixedName(std::string_view folder, std::string_view asteroid_name,
                              std::string_view star_name, std::string_view global_prefix);

}  // namespace vesk
