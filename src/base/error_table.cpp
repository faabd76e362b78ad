#include "base/error_table.h"

#include <array>

namespace vesk {
namespace {

using Table = std::array<ErrorTableEntry, kErrorTableSize>;

void Put(Table& table, int index, MessageLevel level, const char* text) {
  table[static_cast<std::size_t>(index)] = ErrorTableEntry{text, level, true};
}

Table MakeAppTable() {
  Table t;
  using L = MessageLevel;
  Put(t, 1, L::FatalError, "Cannot create main window");
  Put(t, 2, L::Warning, "Cannot create font for countdown window");
  Put(t, 3, L::Warning, "Cannot create font for control buttons");
  Put(t, 4, L::Warning, "Cannot create font for codec or camera lists");
  Put(t, 5, L::Warning, "Cannot create font for event list");
  Put(t, 6, L::Warning, "Cannot create font for hibernation | shutdown countdown");
  Put(t, 7, L::FatalError, "Cannot create video display window");
  Put(t, 8, L::FatalError, "Cannot create Controls window");
  Put(t, 9, L::FatalError, "Cannot create User Messages window");
  Put(t, 10, L::FatalError, "Cannot create rich edit window as child of User Messages window");
  Put(t, 11, L::Error, "Cannot create child brightness slider window");
  Put(t, 12, L::Error, "Cannot create child contrast slider window");
  Put(t, 13, L::Error, "Cannot create parent brightness slider window");
  Put(t, 14, L::Error, "Cannot create parent contrast slider window");
  Put(t, 16, L::Warning, "Unable to delete one or more selected event files - write protected?");
  Put(t, 17, L::Warning,
      "Cannot save VESK_options.xml file in process directory - write protected?");
  return t;
}

Table MakeGraphTable() {
  Table t;
  using L = MessageLevel;
  Put(t, 2, L::Error, "Cannot set capture stream format");
  Put(t, 3, L::Error, "Cannot update EVR video window with frame size");
  Put(t, 6, L::Warning, "Dropped frames value may be incorrect");
  Put(t, 7, L::Warning, "Dropped frames value may be incorrect");
  Put(t, 9, L::Error, "Internal corruption of media control value");
  Put(t, 10, L::Error, "Attempting to set video stream format with no source filter");
  Put(t, 11, L::Error, "IAMStreamConfig interface is missing");
  Put(t, 18, L::Error, "Cannot enumerate pins on EVR filter");
  Put(t, 19, L::Error, "Cannot create EVR filter");
  Put(t, 20, L::Error, "Cannot get display control for EVR");
  Put(t, 21, L::Error, "Cannot set clipping window for EVR");
  Put(t, 22, L::Error, "Cannot add EVR filter to filter graph");
  Put(t, 23, L::Error, "Cannot render preview stream");
  Put(t, 24, L::Error, "SetOutputFileName method has failed");
  Put(t, 25, L::Warning, "Cannot add codec to capture stream");
  Put(t, 26, L::Error, "Cannot render video capture stream");
  Put(t, 27, L::Warning, "IID_IAMDroppedFrames interface is missing");
  Put(t, 28, L::Error, "Cannot enumerate pins on filter");
  Put(t, 29, L::Warning, "Character recognition sets are missing from install directory");
  Put(t, 30, L::Warning, "Cannot add audio source filter to filter graph");
  Put(t, 31, L::Error, "Cannot render audio capture stream");
  Put(t, 32, L::Warning, "Cannot reduce audeo latency.  Latency will be 1/2 second");
  Put(t, 33, L::Warning, "Cannot set aspect ration for EVR display window");
  Put(t, 34, L::Warning, "Cannot create VMR9 filter");
  Put(t, 35, L::Warning, "Cannot create VMR7 filter");
  Put(t, 36, L::Warning, "Cannot create Null Renderer filter");
  Put(t, 37, L::Warning, "Cannot get configuration control for VMR9");
  Put(t, 38, L::Warning, "Cannot get configuration control for VMR7");
  Put(t, 39, L::Error, "Cannot find renderer input pin");
  Put(t, 40, L::Error, "Renderer input pin not connected");
  Put(t, 41, L::Error, "Cannot update VMR9 video window with frame size");
  Put(t, 42, L::Error, "Cannot update VMR7 video window with frame size");
  return t;
}

const ErrorTableEntry kAbsent{};

const ErrorTableEntry& Lookup(const Table& table, int index) {
  if (index < 0 || index >= kErrorTableSize) return kAbsent;
  return table[static_cast<std::size_t>(index)];
}

constexpr const char* kCaption = "VESK Video Capture";

}  // namespace

std::string FormatErrorLine(MessageLevel level, const std::string& text, int shown_code) {
  static constexpr const char* kPrefix[] = {"FATAL ERROR: ", "ERROR: ", "WARNING: ", "NOTE: "};
  static constexpr const char* kWord[] = {",  error ", ",  error ", ",  warning ", ",  note "};
  const auto i = static_cast<std::size_t>(level);
  return kPrefix[i] + text + kWord[i] + std::to_string(shown_code) + "\r\n";
}

const ErrorTableEntry& AppErrorEntry(int code) {
  static const Table table = MakeAppTable();
  return Lookup(table, code);
}

const ErrorTableEntry& GraphErrorEntry(int index) {
  static const Table table = MakeGraphTable();
  return Lookup(table, index);
}

void ErrorReporter::RaiseAppError(ErrorCode code) {
  const ErrorTableEntry& entry = AppErrorEntry(static_cast<int>(code));
  if (!entry.present) return;
  const std::string line = FormatErrorLine(entry.level, entry.text, static_cast<int>(code));
  if (entry.level == MessageLevel::FatalError) {
    box_.Show(kCaption, line);
  } else if (entry.level != MessageLevel::Note) {
    log_.ReportMessage(line, true);
  }
}

void ErrorReporter::RaiseGraphError(int index) {
  const ErrorTableEntry& entry = GraphErrorEntry(index);
  if (!entry.present) return;
  if (entry.level == MessageLevel::Error || entry.level == MessageLevel::Warning) {
    log_.ReportMessage(FormatErrorLine(entry.level, entry.text, index + kGraphCodeOffset), true);
  }
}

}  // namespace vesk
