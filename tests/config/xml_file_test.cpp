#include "config/xml_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::ReadFileBytes;
using testing::ScopedTempDir;

TEST(XmlFileTest, WritesWindows1252AndReadsItBack) {
  ScopedTempDir dir;
  // München € 5, tab, newline, and the characters XML escapes.
  const std::string value = "M\xC3\xBCnchen \xE2\x82\xAC 5\tx\ny a<b & \"c\" > d";
  ASSERT_TRUE(WriteXmlTextFile(dir.Path("f.xml"), "c", {{"Key", value}, {"Empty", ""}}));
  EXPECT_EQ(ReadFileBytes(dir.Path("f.xml")),
            "<?xml version=\"1.0\"?>\r\n<!--c-->\r\n<Root>\r\n"
            "\t<Key Value=\"M\xFCnchen \x80 5&#9;x&#10;y a&lt;b &amp; &quot;c&quot; &gt; d\"/>\r\n"
            "\t<Empty Value=\"\"/>\r\n</Root>\r\n");
  std::vector<XmlChild> children;
  ASSERT_TRUE(LoadXmlChildren(dir.Path("f.xml"), &children));
  ASSERT_EQ(children.size(), 2u);
  EXPECT_EQ(children[0].first_value, value);
}

TEST(XmlFileTest, ReadsFilesWrittenOnWindowsAndUtf8Files) {
  // Single-quoted declaration, CR LF, Windows-1252 bytes, another root and attribute name.
  std::vector<XmlChild> children;
  ASSERT_TRUE(
      ParseXmlChildren("<?xml version='1.0'?>\r\n<!--x-->\r\n<Options>\r\n"
                       "\t<StarName Val=\"Caf\xE9\"/>\r\n\t<Two A=\"1\" B=\"2\"/>\r\n"
                       "\t<None/>\r\n</Options>",
                       &children));
  ASSERT_EQ(children.size(), 3u);
  EXPECT_EQ(children[0].first_value, "Caf\xC3\xA9");
  EXPECT_EQ(children[1].attribute_count, 2u);
  // A file that says it is UTF-8 is read as UTF-8, with or without a byte-order mark.
  ASSERT_TRUE(ParseXmlChildren("\xEF\xBB\xBF<R><A V=\"\xC3\xA9\"/></R>", &children));
  EXPECT_EQ(children.at(0).first_value, "\xC3\xA9");
}

TEST(XmlFileTest, AFailedWriteLeavesTheOldFileUntouched) {
  ScopedTempDir dir;
  const std::string path = dir.Path("VESK_options.xml");
  ASSERT_TRUE(WriteXmlTextFile(path, "c", {{"A", "good"}}));
  const std::string good = ReadFileBytes(path);

  EXPECT_FALSE(WriteXmlTextFile(path, "c", {{"A", "Ceres \xCE\xB1"}}));         // not in the page
  EXPECT_FALSE(WriteXmlTextFile(path, "c", {{"A", std::string(4100, 'x')}}));   // text too long
  EXPECT_FALSE(WriteXmlTextFile(path, "c", {{"A", std::string("a\x01", 2)}}));  // not XML text
  EXPECT_FALSE(WriteXmlTextFile(path, "a--b", {{"A", "x"}}));
  EXPECT_EQ(ReadFileBytes(path), good);
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  EXPECT_FALSE(WriteXmlTextFile(dir.Path("no/such/folder/f.xml"), "c", {{"A", "x"}}));
}

}  // namespace
}  // namespace vesk
