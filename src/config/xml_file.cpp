#include "config/xml_file.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>

#include "base/code_page.h"
#include "base/files.h"

namespace vesk {
namespace {

// Escapes a name or value for an attribute; fails on characters XML 1.0 cannot carry.
bool AppendEscaped(std::string_view text, std::string* out) {
  for (const char c : text) {
    switch (c) {
      case '&':
        *out += "&amp;";
        break;
      case '<':
        *out += "&lt;";
        break;
      case '>':
        *out += "&gt;";
        break;
      case '"':
        *out += "&quot;";
        break;
      case '\t':
        *out += "&#9;";
        break;
      case '\n':
        *out += "&#10;";
        break;
      case '\r':
        *out += "&#13;";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) return false;
        out->push_back(c);
    }
  }
  return true;
}

bool IsXmlName(std::string_view name) {
  if (name.empty()) return false;
  const auto first = static_cast<unsigned char>(name.front());
  if (!(std::isalpha(first) || first == '_')) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || u == '_' || u == '-' || u == '.';
  });
}

// Lower-cased encoding name of the XML declaration, empty when there is none.
std::string DeclaredEncoding(std::string_view bytes) {
  if (bytes.substr(0, 5) != "<?xml") return {};
  const auto end = bytes.find("?>");
  const std::string_view declaration = bytes.substr(0, end);
  const auto key = declaration.find("encoding");
  if (key == std::string_view::npos) return {};
  auto pos = declaration.find_first_of("\"'", key);
  if (pos == std::string_view::npos) return {};
  const char quote = declaration[pos];
  const auto close = declaration.find(quote, pos + 1);
  if (close == std::string_view::npos) return {};
  std::string name(declaration.substr(pos + 1, close - pos - 1));
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name;
}

}  // namespace

bool BuildXmlFileBytes(std::string_view comment, const std::vector<XmlEntry>& entries,
                       std::string* bytes) {
  // A comment may not hold "--" nor end with "-".
  if (comment.find("--") != std::string_view::npos || (!comment.empty() && comment.back() == '-')) {
    return false;
  }
  std::string text = "<?xml version=\"1.0\"?>\n<!--";
  text += comment;
  text += "-->\n<Root>";
  for (const XmlEntry& entry : entries) {
    if (!IsXmlName(entry.name)) return false;
    text += "\n\t<";
    text += entry.name;
    text += " Value=\"";
    if (!AppendEscaped(entry.value, &text)) return false;
    text += "\"/>";
  }
  text += "\n</Root>\n";

  std::string narrow;
  if (!TryUtf8ToWindows1252(text, &narrow) || narrow.size() > kMaxXmlTextBytes) return false;

  std::string result;
  result.reserve(narrow.size() + narrow.size() / 16);
  for (const char c : narrow) {
    if (c == '\n') result.push_back('\r');
    result.push_back(c);
  }
  *bytes = std::move(result);
  return true;
}

bool WriteXmlTextFile(const std::string& path, std::string_view comment,
                      const std::vector<XmlEntry>& entries) {
  std::string narrow_path;
  if (path.empty() || !TryUtf8ToWindows1252(path, &narrow_path) ||
      narrow_path.size() > kMaxXmlPathBytes) {
    return false;
  }
  std::string bytes;
  if (!BuildXmlFileBytes(comment, entries, &bytes)) return false;
  return files::WriteFileAtomically(path, bytes);
}

std::string OptionsFilePath() { return files::CurrentDirectory() + kOptionsFileName; }

bool ParseXmlChildren(std::string_view bytes, std::vector<XmlChild>* children,
                      std::string* error) {
  std::string utf8;
  pugi::xml_encoding encoding = pugi::encoding_utf8;
  const bool utf16 = bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                                           (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
  if (utf16) {
    utf8.assign(bytes);
    encoding = pugi::encoding_auto;
  } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    utf8.assign(bytes.substr(3));
  } else {
    const std::string declared = DeclaredEncoding(bytes);
    if (declared == "utf-8" || declared == "utf8") {
      utf8.assign(bytes);
    } else {
      utf8 = Windows1252ToUtf8(bytes);
    }
  }

  pugi::xml_document document;
  const pugi::xml_parse_result parsed =
      document.load_buffer(utf8.data(), utf8.size(), pugi::parse_default, encoding);
  if (!parsed) {
    if (error != nullptr) {
      *error = parsed.description();
      // The offset counts the parser's own UTF-8 text, which has the file's lines only when
      // the file was not UTF-16.
      if (!utf16 && parsed.offset >= 0) {
        const auto end = utf8.begin() + static_cast<std::ptrdiff_t>(
                                            std::min<std::size_t>(parsed.offset, utf8.size()));
        *error = "line " + std::to_string(std::count(utf8.begin(), end, '\n') + 1) + ": " +
                 *error;
      }
    }
    return false;
  }
  const pugi::xml_node root = document.document_element();
  if (!root) {
    if (error != nullptr) *error = "no root element";
    return false;
  }

  std::vector<XmlChild> result;
  for (const pugi::xml_node& node : root.children()) {
    if (node.type() != pugi::node_element) continue;
    XmlChild child;
    child.name = node.name();
    for (const pugi::xml_attribute& attribute : node.attributes()) {
      if (child.attribute_count == 0) child.first_value = attribute.value();
      ++child.attribute_count;
    }
    result.push_back(std::move(child));
  }
  *children = std::move(result);
  return true;
}

bool LoadXmlChildren(const std::string& path, std::vector<XmlChild>* children,
                     std::string* error) {
  std::string bytes;
  if (!files::ReadWholeFile(path, &bytes, kMaxXmlFileBytes, error)) return false;
  return ParseXmlChildren(bytes, children, error);
}

}  // namespace vesk
