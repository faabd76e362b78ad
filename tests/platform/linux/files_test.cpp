#include "base/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>

#include "support/temp_dir.h"

namespace vesk {
namespace {

// Only regular files are read, within their size limit, and reading never waits: an
// options file that is a FIFO must not hang start-up.
TEST(FilesTest, OnlyRegularFilesWithinTheLimitAreReadAndNothingBlocks) {
  testing::ScopedTempDir dir;
  testing::WriteFileBytes("options.xml", "<Root/>");
  std::string bytes;
  EXPECT_TRUE(files::ReadWholeFile("options.xml", &bytes, 7));
  EXPECT_EQ(bytes, "<Root/>");
  EXPECT_FALSE(files::ReadWholeFile("options.xml", &bytes, 6));
  EXPECT_FALSE(files::ReadWholeFile(".", &bytes, 100));

  ASSERT_EQ(::mkfifo("fifo.xml", 0600), 0);
  std::future<bool> read = std::async(std::launch::async, [] {
    std::string fifo_bytes;
    return files::ReadWholeFile("fifo.xml", &fifo_bytes, 100);
  });
  const bool finished = read.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
  if (!finished) {
    // Give the blocked reader its writer so the test can end.
    const int writer = ::open("fifo.xml", O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
  }
  EXPECT_TRUE(finished) << "reading a FIFO blocked";
  EXPECT_FALSE(read.get());
}

// The video folder of an Event may not exist until its first recording: its disk is measured
// through the nearest folder that does.
TEST(FilesTest, FreeSpaceOfAFolderNotThereYetIsItsParentsDisk) {
  testing::ScopedTempDir dir;
  std::uint64_t here = 0, below = 0;
  std::string error;
  ASSERT_TRUE(files::FreeSpace(".", &here));
  ASSERT_TRUE(files::FreeSpace("VideoFiles/2026/", &below, &error)) << error;
  EXPECT_NEAR(static_cast<double>(below), static_cast<double>(here), 64e6);
  EXPECT_GT(here, 0u);
  testing::WriteFileBytes("file", "x");
  EXPECT_FALSE(files::FreeSpace("file/VideoFiles", &below, &error));
  EXPECT_EQ(error, "Not a directory");
}

// A recording that cannot start says what stands in its way, naming the folder when the
// folder is the cause.
TEST(FilesTest, WhatStandsInTheWayOfANewFileIsNamed) {
  testing::ScopedTempDir dir;
  testing::WriteFileBytes("plain", "x");
  ASSERT_EQ(::mkdir("taken.avi", 0700), 0);
  EXPECT_EQ(files::FileCreateError("missing/a.avi"), "missing: No such file or directory");
  EXPECT_EQ(files::FileCreateError("plain/a.avi"), "plain: Not a directory");
  EXPECT_EQ(files::FileCreateError("taken.avi"), "Is a directory");
  EXPECT_EQ(files::FileCreateError(std::string(300, 'n') + ".avi"), "File name too long");
  EXPECT_EQ(files::FileCreateError("a.avi"), "");
}

}  // namespace
}  // namespace vesk
