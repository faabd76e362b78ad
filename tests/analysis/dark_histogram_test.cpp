#include "analysis/pixels/dark_histogram.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(DarkHistogramTest, TiesGoLowAndOnlyValuesBelow75Qualify) {
  DarkHistograms::Bins bins{};
  bins[30] = 5;
  bins[31] = 5;
  bins[200] = 1000;
  EXPECT_EQ(DarkLevelOf(bins), 30u);
  bins[74] = 6;
  EXPECT_EQ(DarkLevelOf(bins), 74u);
  bins.fill(0);
  bins[75] = 9;
  EXPECT_EQ(DarkLevelOf(bins), 0u);  // no counts at 0 to 74: bin 0 stays best
}

}  // namespace
}  // namespace vesk
