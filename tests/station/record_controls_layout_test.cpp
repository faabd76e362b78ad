#include "station/record_controls_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vesk {
namespace {

TEST(EventHeaderLinesTest, FindsTheEndOfTheFirstLineWithinThe512FirstCharacters) {
  // Not found: where the scan stopped, never past the end.
  for (const auto& [text, end] : std::vector<std::pair<std::string, FirstLineEnd>>{
           {"Start\r\nEvent\r\n", {true, 6}},
           {"\r\nabc", {true, 1}},
           {"a\r", {true, 2}},
           {"abc", {false, 3}},
           {"", {false, 0}},
           {std::string(511, 'x') + "\r", {true, 512}},
           {std::string(512, 'x') + "\r", {false, 512}}}) {
    EXPECT_EQ(FindEndOfFirstLine(text), end) << text.size();
  }
}

TEST(EventHeaderLinesTest, TheCountdownShowsTheHeadersStartAndEventLines) {
  const auto split = [](const std::string& header) {
    const EventHeaderLines lines = SplitEventHeader(header);
    return lines.first + "|" + lines.second;
  };
  // A line without its CR stays empty; a CR at the very end has nothing after it to read.
  EXPECT_EQ(split("Start time only"), "|");
  EXPECT_EQ(split("first\r\nsecond without end"), "first|");
  EXPECT_EQ(split("first\r"), "first|");
  EXPECT_EQ(split("\r\n\r\n"), "|");

  CountdownTexts texts;
  texts.countdown = "00:01:15";
  texts.event_header = "Start time:  A\r\nEvent time:  B\r\nRecording duration:  C\r\n";
  texts.end = "End time:  D";
  EXPECT_EQ(CountdownPaneText(CountdownPane::BigDisplay, texts), "00:01:15");
  EXPECT_EQ(CountdownPaneText(CountdownPane::StartLine, texts), "Start time:  A");
  EXPECT_EQ(CountdownPaneText(CountdownPane::EventLine, texts), "Event time:  B");
  EXPECT_EQ(CountdownPaneText(CountdownPane::EndLine, texts), "End time:  D");
  EXPECT_EQ(CountdownPaneText(CountdownPane::Label, texts), "Countdown to recording start time:");
  texts.time_base = CountdownTimeBase::Utc;
  EXPECT_EQ(CountdownPaneText(CountdownPane::Label, texts), "  Computer time (UTC):");
}

}  // namespace
}  // namespace vesk
