// The AVI reader on files made here by ffmpeg and by hand (OpenDML), whole, cut short,
// unfinished and damaged, and the command-line tools that use it.

#include "playback/avi_reader.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "app/avi_tool_files.h"
#include "media_support/ffprobe.h"
#include "platform/linux/posix_avi_file.h"
#include "playback/avi_tools.h"
#include "playback/playback_file_info.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

void MakeWithFfmpeg(const std::string& name, const std::string& options) {
  const std::string command =
      "ffmpeg -loglevel error -y -f lavfi -i testsrc=size=64x48:rate=" + options + " " + name;
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

AviReadStatus Read(const std::string& path, AviFileInfo* info) {
  PosixAviFile file(path, false);
  return ReadAviFile(file, info);
}

std::string Le(std::uint64_t value, int bytes = 4) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
  return out;
}
std::string Chunk(const std::string& id, const std::string& data) {
  return id + Le(data.size()) + data + (data.size() % 2 ? std::string(1, '\0') : "");
}
std::string List(const std::string& type, const std::string& body) {
  return Chunk("LIST", type + body);
}

PosixAviFileSystem Files() { return {}; }

TEST(AviReader, FilesOfEachCodecGiveTheirTextsAndTheirCutCopiesTheFramesThatAreWhole) {
  testing::ScopedTempDir folder;
  struct Case {
    std::string file, options, decompressor, rate;
    std::size_t frames, key_every;
  } cases[] = {
      {"mjpg.avi", "30000/1001 -frames:v 20 -c:v mjpeg", "Decompressor fourcc code: MJPG", "29.97",
       20, 1},
      {"mpeg4.avi", "25 -frames:v 40 -c:v mpeg4 -g 12 -bf 0", "Decompressor fourcc code: FMP4",
       "25", 40, 12},
      {"yuy2.avi", "15 -frames:v 20 -c:v rawvideo -pix_fmt yuyv422", "YUY2 internal decoder", "15",
       20, 1},
      {"ffv1.avi", "25 -frames:v 30 -c:v ffv1 -g 10", "Decompressor fourcc code: FFV1", "25", 30,
       10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    MakeWithFfmpeg(c.file, c.options);
    AviFileInfo whole;
    ASSERT_EQ(Read(c.file, &whole), AviReadStatus::Ok);
    const PlaybackFileInfo texts = DescribeAviFile(c.file, whole);
    EXPECT_EQ(texts.decompressor, c.decompressor);
    EXPECT_EQ(texts.frame_rate, c.rate);
    EXPECT_EQ(texts.frame_size, "64x48");
    EXPECT_FALSE(whole.index_rebuilt);
    ASSERT_EQ(whole.frames.size(), c.frames);
    EXPECT_EQ(whole.key_frames, (c.frames + c.key_every - 1) / c.key_every);
    EXPECT_EQ(BuildKeyFrameTable(whole.frames)[c.frames - 1], (c.frames - 2) / c.key_every + 1);

    // Cut in the middle of a frame: the whole frames before it, found without the index,
    // with their key frames told from their bytes.
    const std::string cut = "cut-" + c.file;
    fs::copy_file(c.file, cut);
    fs::resize_file(cut, whole.frames[c.frames / 2].offset + 3);
    AviFileInfo rebuilt;
    ASSERT_EQ(Read(cut, &rebuilt), AviReadStatus::Ok);
    EXPECT_TRUE(rebuilt.index_rebuilt);
    ASSERT_EQ(rebuilt.frames.size(), c.frames / 2);
    for (std::size_t i = 0; i < rebuilt.frames.size(); ++i) {
      EXPECT_EQ(rebuilt.frames[i].offset, whole.frames[i].offset);
      EXPECT_EQ(rebuilt.frames[i].key, whole.frames[i].key) << i;
    }

    // The repaired copy has the frames and an index; the cut file is left as it was.
    std::ostringstream out, err;
    EXPECT_EQ(RunRepairAvi(cut, "copy-" + c.file, Files(), out, err), 0) << err.str();
    EXPECT_EQ(fs::file_size(cut), whole.frames[c.frames / 2].offset + 3);
    AviFileInfo repaired;
    ASSERT_EQ(Read("copy-" + c.file, &repaired), AviReadStatus::Ok);
    EXPECT_FALSE(repaired.index_rebuilt);
    EXPECT_EQ(repaired.frames.size(), c.frames / 2);
    EXPECT_EQ(repaired.key_frames, rebuilt.key_frames);
    EXPECT_EQ(RunRepairAvi(cut, "copy-" + c.file, Files(), out, err), kAviToolUnreadable);

    // Cut inside its header: no frames, so no copy.
    fs::resize_file(cut, 3000);
    err.str("");
    EXPECT_EQ(RunRepairAvi(cut, "none.avi", Files(), out, err), kAviToolUnreadable);
    EXPECT_EQ(err.str(),
              cut + ": holds no frames (cut off before its first frame); no copy written\n");
    EXPECT_FALSE(fs::exists("none.avi") || fs::exists("none.avi.part"));
  }
}

// An OpenDML file of two RIFF segments whose frames only the indx and ix00 indexes find in
// full: the second segment's frame 1 is a delta frame.
std::string OpenDml(std::uint32_t super_entries) {
  const std::string frame = Chunk("00dc", std::string(10, 'f'));  // 18 bytes
  const std::string zeros(32, '\0');
  const std::string avih = zeros + Le(64) + Le(48) + zeros.substr(16);
  const std::string strh = "vidsXVID" + zeros.substr(20) + Le(1) + Le(30) + zeros.substr(4);
  const std::string strf =
      Le(40) + Le(64) + Le(48) + Le(1, 2) + Le(12, 2) + "XVID" + zeros.substr(12);
  const std::size_t indx_at = 12 + 12 + 64 + 12 + 64 + 48 + 8;  // after strh and strf
  std::string first_riff_body =
      "AVI " +
      List("hdrl", Chunk("avih", avih) + List("strl", Chunk("strh", strh) + Chunk("strf", strf) +
                                                          Chunk("indx", zeros + zeros.substr(8))));
  const std::uint64_t movi1 = 8 + first_riff_body.size();
  auto ix = [&](std::uint64_t movi_at, int frames, std::uint32_t delta) {
    std::string body =
        Le(2, 2) + '\0' + '\1' + Le(frames) + "00dc" + Le(movi_at + 8 + 4 + 8, 8) + Le(0);
    for (int i = 0; i < frames; ++i)
      body += Le(i * 18) + Le(10 | (i == int(delta) ? 0x80000000u : 0));
    return Chunk("ix00", body);
  };
  const std::string ix_a = ix(movi1, 3, 99);
  first_riff_body += List("movi", frame + frame + frame + ix_a);
  const std::string first = Chunk("RIFF", first_riff_body);
  const std::uint64_t movi2 = first.size() + 12;
  const std::string ix_b = ix(movi2, 2, 1);
  const std::string second = Chunk("RIFF", "AVIX" + List("movi", frame + frame + ix_b));
  std::string indx = Le(4, 2) + '\0' + '\0' + Le(super_entries) + "00dc" + zeros.substr(20);
  indx += Le(movi1 + 12 + 3 * 18, 8) + Le(ix_a.size()) + Le(3);
  indx += Le(movi2 + 12 + 2 * 18, 8) + Le(ix_b.size()) + Le(2);
  return (first + second).replace(indx_at, indx.size(), indx);
}

TEST(AviReader, OpenDmlIndexesCoverEverySegmentAndADamagedOneIsWalkedInstead) {
  testing::ScopedTempDir folder;
  WriteFileBytes("odml.avi", OpenDml(2));
  AviFileInfo info;
  ASSERT_EQ(Read("odml.avi", &info), AviReadStatus::Ok);
  EXPECT_TRUE(info.open_dml);
  ASSERT_EQ(info.frames.size(), 5u);
  EXPECT_EQ(info.key_frames, 4u);
  EXPECT_FALSE(info.frames[4].key);
  const std::string packets = "-count_packets -show_entries stream=nb_read_packets";
  EXPECT_EQ(testing::Ffprobe(packets, "odml.avi", false), "5\n");

  // A super index that claims more entries than it has room for, or entries pointing past
  // the file, is not trusted: the segments are walked.
  for (std::uint32_t entries : {3u, 0xffffffffu}) {
    WriteFileBytes("bad.avi", OpenDml(entries));
    ASSERT_EQ(Read("bad.avi", &info), AviReadStatus::Ok);
    EXPECT_EQ(std::pair(info.index_rebuilt, info.frames.size()), std::pair(true, std::size_t{5}));
  }

  // Cut off in its last segment before the writer listed any index in the header: the
  // repaired copy has a standard index per segment and a super index that ffprobe follows.
  const std::string whole = OpenDml(0);
  WriteFileBytes("cut.avi", whole.substr(0, whole.size() - 20));
  AviFileInfo walked;
  ASSERT_EQ(Read("cut.avi", &walked), AviReadStatus::Ok);
  ASSERT_TRUE(walked.index_rebuilt);
  std::ostringstream out, err;
  EXPECT_EQ(RunRepairAvi("cut.avi", "copy.avi", Files(), out, err), 0) << err.str() << out.str();
  ASSERT_EQ(Read("copy.avi", &info), AviReadStatus::Ok);
  EXPECT_TRUE(info.open_dml && !info.index_rebuilt);
  ASSERT_EQ(info.frames.size(), 5u);
  EXPECT_EQ(info.key_frames, walked.key_frames);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(info.frames[i].offset, walked.frames[i].offset);
  EXPECT_EQ(testing::Ffprobe(packets, "copy.avi", false), "5\n");

  // Cut inside its first segment (a file past 1 GB cut below it): the copy is found through
  // idx1 alone, with no super index left pointing past its end.
  WriteFileBytes("short.avi", whole.substr(0, whole.find("00dc" + Le(10)) + 2 * 18 + 5));
  EXPECT_EQ(RunRepairAvi("short.avi", "short-copy.avi", Files(), out, err), 0) << err.str();
  EXPECT_EQ(ReadFileBytes("short-copy.avi").find("indx"), std::string::npos);
  ASSERT_EQ(Read("short-copy.avi", &info), AviReadStatus::Ok);
  EXPECT_FALSE(info.open_dml || info.index_rebuilt);
  EXPECT_EQ(info.frames.size(), 2u);
}

TEST(AviReader, UnfinishedAndDamagedFilesNeverReadOutsideTheFile) {
  testing::ScopedTempDir folder;
  MakeWithFfmpeg("v.avi", "25 -frames:v 6 -c:v rawvideo -pix_fmt yuyv422");
  std::string bytes = ReadFileBytes("v.avi");
  AviFileInfo whole;
  ASSERT_EQ(Read("v.avi", &whole), AviReadStatus::Ok);

  // A recording still being written: provisional RIFF and movi sizes, no index yet.
  std::string unfinished = bytes.substr(0, whole.frames[4].offset + 100);
  const std::size_t movi = unfinished.find("movi") - 8;
  unfinished.replace(4, 4, Le(movi - 8 + 12));
  unfinished.replace(movi + 4, 4, Le(4));
  WriteFileBytes("unfinished.avi", unfinished);
  AviFileInfo info;
  ASSERT_EQ(Read("unfinished.avi", &info), AviReadStatus::Ok);
  EXPECT_EQ(std::pair(info.index_rebuilt, info.frames.size()), std::pair(true, std::size_t{4}));

  // An index whose entries run backwards or past the data is not used.
  const std::size_t idx1 = bytes.rfind("idx1");
  for (const auto& [at, value] :
       {std::pair{idx1 + 8 + 16 + 8, 0u}, {idx1 + 8 + 5 * 16 + 12, 0x7fffffffu}}) {
    WriteFileBytes("damaged.avi", bytes.substr(0, at) + Le(value) + bytes.substr(at + 4));
    ASSERT_EQ(Read("damaged.avi", &info), AviReadStatus::Ok);
    EXPECT_EQ(std::pair(info.index_rebuilt, info.frames.size()), std::pair(true, std::size_t{6}));
    // Its repaired copy has an index that can be used again.
    std::filesystem::remove("repaired.avi");
    std::ostringstream out, err;
    EXPECT_EQ(RunRepairAvi("damaged.avi", "repaired.avi", Files(), out, err), 0) << err.str();
    ASSERT_EQ(Read("repaired.avi", &info), AviReadStatus::Ok);
    EXPECT_EQ(std::pair(info.index_rebuilt, info.frames.size()), std::pair(false, std::size_t{6}));
  }

  // Every header byte damaged in turn, and every length of the file: no read outside it (the
  // sanitizer run watches), and never more frames than the file holds.
  for (std::size_t at = 0; at < bytes.size(); at += at < 400 ? 1 : 997) {
    std::string broken = bytes;
    broken[at] = static_cast<char>(broken[at] ^ 0xff);
    WriteFileBytes("broken.avi", at % 2 ? broken : bytes.substr(0, at));
    if (Read("broken.avi", &info) == AviReadStatus::Ok) {
      EXPECT_LE(info.frames.size(), 6u) << at;
    }
  }

  std::ostringstream out, err;
  // The frame-time record beside v.avi, its last row cut short by a killed station.
  WriteFileBytes(
      "v.frames.csv",
      "frame,sequence,utc,interval_ms,note\r\n0,7,2026-12-07T00:42:43.000000Z,,\r\n"
      "1,10,2026-12-07T00:42:43.120000Z,120.000,2 frames lost before this one\r\n2,11,2026-1");
  WriteFileBytes("empty.avi", "");
  WriteFileBytes("text.avi", "RIFF\x04\0\0\0WAVE");
  ASSERT_EQ(std::system("ffmpeg -loglevel error -y -f lavfi -i sine -t 0.1 audio.avi"), 0);
  EXPECT_EQ(
      RunAviInfo({"v.avi", "empty.avi", "text.avi", "audio.avi", "none.avi"}, Files(), out, err),
      kAviToolUnreadable);
  EXPECT_EQ(err.str(),
            "empty.avi: not an AVI file\ntext.avi: not an AVI file\n"
            "audio.avi: the AVI file has no video stream\n"
            "none.avi: cannot be opened for reading: no such file or folder\n");
  EXPECT_EQ(out.str(),
            "File information for  v.avi\n\tDecompressor\tYUY2 internal decoder\n"
            "\tFrames\t\t6\n\tKey Frames\t6\n\tFrame size\t64x48\n\tFrame rate\t25 fps\n"
            "\tIndex\t\tidx1\n"
            "\tFrame times\t2026-12-07 00:42:43.000 UTC to 2026-12-07 00:42:43.120 UTC, 2 frames "
            "(v.frames.csv)\n\tFrames lost\t2 frames in 1 place\n\n");
}

// Runs --avi-info (one file) or --repair-avi (two) in a child process under a file size
// limit, so one that waits fails its case instead of hanging the suite: its exit status and
// what it wrote to err, or -1 when it had not ended in 5 seconds.
int InChild(const std::vector<std::string>& files, rlim_t file_size_limit, std::string* err) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    alarm(5);  // ends a child that waits
    const rlimit limit{file_size_limit, file_size_limit};
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::ostringstream out, errors;
    const int status = files.size() == 1 ? RunAviInfo(files, Files(), out, errors)
                                         : RunRepairAvi(files[0], files[1], Files(), out, errors);
    WriteFileBytes("child-err.txt", errors.str());
    _exit(status);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status)) return -1;
  *err = ReadFileBytes("child-err.txt");
  return WEXITSTATUS(status);
}

TEST(AviTools, NeverWaitOnAFifoNorReplaceOrRemoveWhatIsThere) {
  testing::ScopedTempDir folder;
  MakeWithFfmpeg("v.avi", "25 -frames:v 3 -c:v rawvideo -pix_fmt yuyv422");
  ASSERT_EQ(mkfifo("pipe.avi", 0600), 0);
  WriteFileBytes("other.avi", "kept");
  WriteFileBytes("left.avi.part", "kept");
  fs::create_symlink("v.avi", "link.avi");
  fs::create_symlink("other.avi", "to-other.avi");
  fs::create_symlink("nowhere.avi", "dangling.avi");
  const PosixAviFile busy("busy.avi.part", PosixAviFile::CreateNew{});
  const std::string fifo = ": cannot be opened for reading: not a regular file (a FIFO)\n";
  const std::string exists = ": exists already; the copy is written only as a new file\n";
  struct Case {
    std::vector<std::string> files;  // one: --avi-info; two: --repair-avi
    std::string err;                 // none when the tool succeeds
    rlim_t file_size_limit = RLIM_INFINITY;
  } cases[] = {
      {{"pipe.avi"}, "pipe.avi" + fifo},
      {{"pipe.avi", "out.avi"}, "pipe.avi" + fifo},
      {{"v.avi", "pipe.avi"}, "pipe.avi" + exists},
      {{"v.avi", "to-other.avi"}, "to-other.avi" + exists},
      {{"v.avi", "dangling.avi"}, "dangling.avi" + exists},
      {{"v.avi", "left.avi"},
       "left.avi.part: exists already, perhaps left by a repair that was stopped; remove it, "
       "then repair again\n"},
      {{"v.avi", "busy.avi"}, "busy.avi.part: another repair is writing this copy now\n"},
      {{"v.avi", "missing/copy.avi"},
       "missing/copy.avi.part: cannot be created: no such file or folder\n"},
      {{"v.avi", "small.avi"},
       "small.avi: could not be written: the file is too large for the file system\n",
       9000},
      {{"link.avi", "copy.avi"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.files.back());
    std::string err;
    const int status = InChild(c.files, c.file_size_limit, &err);
    EXPECT_EQ(status, c.err.empty() ? 0 : kAviToolUnreadable);
    EXPECT_EQ(err, c.err);
  }
  // What was there is kept as it was, and only that.
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(".")) names.insert(entry.path().filename());
  EXPECT_EQ(names, (std::set<std::string>{"busy.avi.part", "child-err.txt", "copy.avi",
                                          "dangling.avi", "left.avi.part", "link.avi", "other.avi",
                                          "pipe.avi", "to-other.avi", "v.avi"}));
  EXPECT_TRUE(fs::is_fifo("pipe.avi"));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("copy.avi")));
  EXPECT_EQ(ReadFileBytes("other.avi") + ReadFileBytes("left.avi.part"), "keptkept");
  EXPECT_EQ(fs::read_symlink("to-other.avi"), "other.avi");
  EXPECT_EQ(fs::read_symlink("dangling.avi"), "nowhere.avi");

  // The copy's last step does not replace a name that appeared while it was being written.
  std::string problem;
  EXPECT_FALSE(Files().RenameNew("other.avi", "dangling.avi", &problem));
  EXPECT_EQ(fs::read_symlink("dangling.avi"), "nowhere.avi");
  EXPECT_TRUE(fs::exists("other.avi"));
}

TEST(PlaybackFileInfo, TextsFollowTheStreamCodesAndRates) {
  EXPECT_EQ(DecompressorText({'L', 'A', 'G', 'S'}, {}), "Lagarith Lossless Codec");
  EXPECT_EQ(DecompressorText({}, {'Y', 'U', 'Y', '2'}), "YUY2 internal decoder");
  EXPECT_EQ(DecompressorText({'\n', 0, 0, 1}, {}), "Decompressor fourcc code: ?\?\?\?");
  EXPECT_EQ(FrameRateText(10000000, 333333), "30");
  EXPECT_EQ(FrameRateText(15, 2), "7.5");
  EXPECT_EQ(FrameRateText(5, 0), "0");
}

}  // namespace
}  // namespace vesk
