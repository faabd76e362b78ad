#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <variant>

namespace vesk {

// Scanning of numbers in stored texts with the rules of C's sscanf: a blank in the format
// matches any run of white space (also none), other characters match themselves, and a
// conversion skips leading white space, takes an optional sign and then digits, at most width
// characters when a width is given. Conversions: %d and %ld into int32, %lld into int64, %u and %lu
// into uint32 (a minus sign wraps, as C does). A number that does not fit its target counts as not
// scanned. Scanning stops at the first failure; returns the number of values assigned.
// Never reads past the text.
using ScanTarget = std::variant<std::int32_t*, std::int64_t*, std::uint32_t*>;
int ScanValues(std::string_view text, std::string_view format,
               std::initializer_list<ScanTarget> targets);

}  // namespace vesk
