#include "analysis/pixels/character_sets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

TEST(RecognitionSetsTest, AMissingSetIsReportedAtStartUpAndAtEachAnalysisStart) {
  testing::ScopedTempDir dir;
  testing::FakeClock clock{testing::MakeFileTime(2026, 5, 6, 7, 8, 9)};
  MessageLog log{clock};
  testing::RecordingView view;
  log.AttachView(&view);
  testing::RecordingMessageBox box;
  ErrorReporter errors{log, box};
  testing::WriteFileBytes(kInterlacedEvenSetFile, "0\n");
  RecognitionSets sets;
  sets.interlaced.resize(3);  // a second load starts from an empty list
  LoadRecognitionSets(&sets, errors, log);
  EXPECT_EQ(sets.interlaced.size(), 1u);
  ResetRecognition(sets, log);
  const std::string ocr =
      "\r\n07:08:09 (UTC)\r\nAs reported at application startup, character recognition sets "
      "are missing.  You cannot do OCR.\r\n";
  EXPECT_EQ(view.entries,
            (std::vector<std::string>{"\r\n07:08:09 (UTC)\r\nWARNING: Character recognition sets "
                                      "are missing from install directory,  warning 1029\r\n",
                                      std::string("\r\n") + kMakeRecognitionSetsText, ocr}));
}

}  // namespace
}  // namespace vesk
