#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// One child element of the root: its name and its Value.
struct XmlEntry {
  std::string name;
  std::string value;
};

// One child element of the root as read: its name, how many attributes it carries and
// the value of the first (whatever the attribute is called).
struct XmlChild {
  std::string name;
  std::size_t attribute_count = 0;
  std::string first_value;
};

// Limits of the writer, in Windows-1252 bytes without the terminator.
constexpr std::size_t kMaxXmlPathBytes = 1023;
constexpr std::size_t kMaxXmlTextBytes = 4095;
// Files larger than this are not station files; reading them counts as unreadable.
constexpr std::size_t kMaxXmlFileBytes = 16 * 1024 * 1024;

constexpr const char* kOptionsFileName = "VESK_options.xml";

// The exact bytes of a station file: the declaration, the comment, <Root>, one line per
// entry (a tab and an empty element with its Value attribute), </Root>; Windows-1252
// with CR LF line ends. Fails when a name or value has a character outside the code
// page or one XML cannot carry, or the text exceeds kMaxXmlTextBytes.
bool BuildXmlFileBytes(std::string_view comment, const std::vector<XmlEntry>& entries,
                       std::string* bytes);

// Builds the file and writes it whole: a temporary file in the same folder renamed over
// the old one. Any failure, including a path beyond the limits, leaves the old file as it was.
bool WriteXmlTextFile(const std::string& path, std::string_view comment,
                      const std::vector<XmlEntry>& entries);

// The options file in the current directory.
std::string OptionsFilePath();

// Loads a station file and lists the root's child elements in document order. Fails for a
// missing, oversized or not well-formed file and for one without a root element, saying why
// in error when given: the system's reason ("Permission denied") or where the XML goes
// wrong ("line 3: Start-end tags mismatch"). The root's name is not checked. Reads
// Windows-1252 unless the file declares UTF-8 or UTF-16.
bool LoadXmlChildren(const std::string& path, std::vector<XmlChild>* children,
                     std::string* error = nullptr);

// The same over bytes already in memory.
bool ParseXmlChildren(std::string_view bytes, std::vector<XmlChild>* children,
                      std::string* error = nullptr);

}  // namespace vesk
