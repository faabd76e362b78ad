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
  ASSERT_EQ(view.entries.size(), 2u);  // their texts: the station's start-up test
  ResetRecognition(sets, log);
  EXPECT_EQ(view.entries.back(),
            "\r\n07:08:09 (UTC)\r\nAs reported at application startup, character recognition "
            "sets are missing.  You cannot do OCR.\r\n");
}

}  // namespace
}  // namespace vesk
