// End to end: the built vesk-capture in headless mode on the simulated camera, with real
// GStreamer, in an empty home folder. It runs in the window-test binary because that one
// has Qt to start and watch the process.

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "media_support/ffprobe.h"
#include "media_support/recorded_avi.h"
#include "media_support/stamp_reader.h"
#include "config/options.h"
#include "config/xml_file.h"
#include "events/event_file.h"
#include "support/pty_receiver.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using namespace std::chrono_literals;

constexpr int kRunTimeoutMilliseconds = 60000;

QString Program() {
  return QDir(QCoreApplication::applicationDirPath()).filePath("../src/vesk-capture");
}

class HeadlessStationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    ASSERT_TRUE(runtime_.isValid());
    ASSERT_TRUE(QFileInfo::exists(Program())) << Program().toStdString();
  }

  // A station process in the empty home folder, with its own runtime folder so a station
  // running on this desktop does not count as the first copy.
  void Configure(QProcess& process, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtime_.path());
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    if (!gps_ports_.isEmpty()) environment.insert("VESK_GPS_PORTS", gps_ports_);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(home_.path());
    process.setProgram(Program());
    process.setArguments(arguments);
  }

  // Waits until the process's standard output contains text; false after the timeout.
  static bool WaitForOutput(QProcess& process, QByteArray* output, const QByteArray& text) {
    QElapsedTimer timer;
    timer.start();
    while (!output->contains(text) && timer.elapsed() < kRunTimeoutMilliseconds) {
      process.waitForReadyRead(200);
      *output += process.readAllStandardOutput();
      if (process.state() == QProcess::NotRunning) break;
    }
    *output += process.readAllStandardOutput();
    return output->contains(text);
  }

  QStringList VideoFiles(const QString& pattern) const {
    return QDir(home_.filePath("VideoFiles")).entryList({pattern}, QDir::Files, QDir::Name);
  }

  std::string ReadHomeFile(const QString& name) const {
    return testing::ReadFileBytes(home_.filePath(name).toStdString());
  }

  QTemporaryDir home_;
  QTemporaryDir runtime_;
  // The serial ports the station looks for a GPS receiver on.
  QString gps_ports_;
};

// The number after "label" up to the line end in a recording log, or -1.
long long LogNumber(const std::string& log, const std::string& label) {
  const std::size_t at = log.find(label);
  if (at == std::string::npos) return -1;
  return std::stoll(log.substr(at + label.size()));
}

// The frame count of the AVI's video stream header, read by the station's own reader; -1 when unreadable.
long long AviTotalFrames(const std::string& path) {
  AviFileInfo avi;
  std::string error;
  return testing::ReadRecording(path, &avi, &error) ? avi.header_length : -1;
}

// Recorded on a machine kept busy by three threads that never sleep (more than it has
// cores): the log's counts must still be what the file holds.
TEST_F(HeadlessStationTest, RecordLeavesTheVideoAndItsLogAndReportsOnStandardOutput) {
  QProcess station;
  Configure(station, {"--headless", "--simulated-camera", "--record", "3"});
  std::atomic<bool> hog{true};
  std::vector<std::thread> hogs;
  for (int i = 0; i < 3; ++i) {
    hogs.emplace_back([&hog] {
      for (volatile unsigned spin = 0; hog.load(std::memory_order_relaxed);) spin = spin + 1;
    });
  }
  station.start();
  const bool finished = station.waitForFinished(kRunTimeoutMilliseconds);
  hog = false;
  for (std::thread& thread : hogs) thread.join();
  ASSERT_TRUE(finished);
  EXPECT_EQ(station.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(station.exitCode(), 0);
  const QString output = QString::fromUtf8(station.readAllStandardOutput());

  const QStringList avis = VideoFiles("*.avi");
  const QStringList logs = VideoFiles("*.log");
  ASSERT_EQ(avis.size(), 1) << output.toStdString();
  ASSERT_EQ(logs.size(), 1);
  const QRegularExpression name("^\\d\\d_\\d\\d_\\d{4}_\\d\\d_\\d\\d_\\d\\d\\.avi$");
  EXPECT_TRUE(name.match(avis[0]).hasMatch()) << avis[0].toStdString();
  EXPECT_EQ(QFileInfo(logs[0]).completeBaseName(), QFileInfo(avis[0]).completeBaseName());

  const std::string log = ReadHomeFile("VideoFiles/" + logs[0]);
  const std::string video_path =
      QDir(home_.path()).canonicalPath().toStdString() + "/VideoFiles/" + avis[0].toStdString();
  EXPECT_EQ(log.rfind("Manual recording\r\nStart recording at ", 0), 0u) << log;
  EXPECT_NE(log.find("\r\nStop recording at "), std::string::npos);
  EXPECT_NE(log.find("\r\nVideo file:  " + video_path + "\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\r\nVideo source device: VESK Simulated Analog Camera\r\n"
                     "Source device format: PAL\r\nFrame rate: 25\r\nFrame size: 720x576\r\n"
                     "Format subtype: YUY2\r\nCodec: NONE\r\nVideo renderer: EVR\r\n"),
            std::string::npos)
      << log;
  // Three seconds at 25 frames a second; a busy machine may lose a frame or two at the source.
  const long long recorded = LogNumber(log, "Number of recorded frames:  ");
  const long long dropped = LogNumber(log, "Number of dropped frames:  ");
  EXPECT_GE(recorded, 60);
  EXPECT_LE(recorded, 85);
  EXPECT_GE(dropped, 0);
  EXPECT_LE(dropped, 5);
  // The log counts exactly the frames in the file, as another reader finds them.
  const std::string avi = home_.filePath("VideoFiles/" + avis[0]).toStdString();
  EXPECT_EQ(AviTotalFrames(avi), recorded);
  EXPECT_EQ(testing::Probe(avi), "720,576,25/1," + std::to_string(recorded) + "\n");

  for (const char* line : {"Computer local time is ", "No Options File or unreadable Options File",
                           "There are no scheduled Events", "Start recording at ",
                           "Stop recording at ", "Video file:  "}) {
    EXPECT_TRUE(output.contains(line)) << line << "\n" << output.toStdString();
  }
  // The start-up reports come first, the queued one last among them, then the recording.
  EXPECT_LT(output.indexOf("Computer local time is "),
            output.indexOf("No Options File or unreadable Options File"));
  EXPECT_LT(output.indexOf("No Options File or unreadable Options File"),
            output.indexOf("Start recording at "));
  EXPECT_FALSE(output.contains('\r'));
}

// Whatever ends the station (a stop request, Ctrl+C, the terminal or SSH session closing,
// Ctrl+\\), the recording is stopped, its file finished and its log written.
TEST_F(HeadlessStationTest, EndingSignalsStopTheRecordingAndWriteItsLogAsExitDoes) {
  for (const int signal_number : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(strsignal(signal_number));
    QDir(home_.filePath("VideoFiles")).removeRecursively();
    QProcess station;
    Configure(station, {"--headless", "--simulated-camera", "--record", "60"});
    station.start();
    QByteArray output;
    ASSERT_TRUE(WaitForOutput(station, &output, "Start recording at ")) << output.toStdString();
    QThread::msleep(1000);
    ASSERT_EQ(::kill(static_cast<pid_t>(station.processId()), signal_number), 0);
    ASSERT_TRUE(station.waitForFinished(kRunTimeoutMilliseconds));
    output += station.readAllStandardOutput();
    EXPECT_EQ(station.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(station.exitCode(), 0);
    EXPECT_TRUE(output.contains("Stop recording at ")) << output.toStdString();
    const QStringList logs = VideoFiles("*.log");
    const QStringList avis = VideoFiles("*.avi");
    ASSERT_EQ(logs.size(), 1);
    ASSERT_EQ(avis.size(), 1);
    const long long recorded =
        LogNumber(ReadHomeFile("VideoFiles/" + logs[0]), "Number of recorded frames:  ");
    EXPECT_GT(recorded, 0);
    EXPECT_EQ(AviTotalFrames(home_.filePath("VideoFiles/" + avis[0]).toStdString()), recorded);
  }
}

// A file-size limit fails the write instead of killing the station: the recording stops at
// once, says which file and how many frames it keeps, the file reads back whole up to its
// last frame, the log counts the same frames, and the status says the recording was cut.
TEST_F(HeadlessStationTest, AFileSizeLimitStopsTheRecordingWithEveryWholeFrameReadable) {
  QProcess station;
  Configure(station, {"--fsize=8000000", "--", Program(), "--headless", "--simulated-camera",
                      "--record", "3"});
  station.setProgram("prlimit");
  station.start();
  ASSERT_TRUE(station.waitForFinished(kRunTimeoutMilliseconds));
  const std::string output = station.readAllStandardOutput().toStdString();
  EXPECT_EQ(station.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(station.exitCode(), 3);
  const QStringList logs = VideoFiles("*.log"), avis = VideoFiles("*.avi");
  ASSERT_EQ(logs.size(), 1) << output;
  ASSERT_EQ(avis.size(), 1) << output;
  const std::string avi = home_.filePath("VideoFiles/" + avis[0]).toStdString();
  const long long recorded =
      LogNumber(ReadHomeFile("VideoFiles/" + logs[0]), "Number of recorded frames:  ");
  EXPECT_EQ(recorded, 9);  // 829,440-byte frames under 8,000,000 bytes, with the index
  EXPECT_EQ(AviTotalFrames(avi), recorded);
  EXPECT_EQ(testing::Probe(avi), "720,576,25/1," + std::to_string(recorded) + "\n");
  const std::size_t report = output.find(
      "ERROR: the recording stopped: its video file could not be written: " + avi);
  ASSERT_NE(report, std::string::npos) << output;
  EXPECT_NE(output.find("The video file holds " + std::to_string(recorded) +
                        " frames and is readable up to the last of them\n"),
            std::string::npos)
      << output;
  // One stop, the one after the report.
  EXPECT_GT(output.find("Stop recording at "), report);
  EXPECT_EQ(output.find("Stop recording at ", output.find("Stop recording at ") + 1),
            std::string::npos);
}

// Events ahead of now by the given seconds, each two seconds long, then the station runs
// until the last has ended. For each recording: the first and last frames' capture times
// (burnt into the picture) against the planned start and stop, in milliseconds.
struct EventTimingError {
  long start_ms = 0;  // first frame captured after the planned start by this much
  long stop_ms = 0;   // last frame captured before the planned stop by this much
};

class HeadlessEventTest : public HeadlessStationTest {
 protected:
  std::vector<EventTimingError> RecordEvents(const std::vector<int>& seconds_ahead) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    std::vector<long> planned_start_ms;
    QDir(home_.path()).mkpath("Events");
    for (std::size_t i = 0; i < seconds_ahead.size(); ++i) {
      const QDateTime at = now.addSecs(seconds_ahead[i]);
      const SystemTime time{static_cast<std::uint16_t>(at.date().year()),
                            static_cast<std::uint16_t>(at.date().month()), 0,
                            static_cast<std::uint16_t>(at.date().day()),
                            static_cast<std::uint16_t>(at.time().hour()),
                            static_cast<std::uint16_t>(at.time().minute()),
                            static_cast<std::uint16_t>(at.time().second()), 0};
      const std::string name = "Ceres" + std::to_string(i);
      EXPECT_TRUE(WriteEventFile(home_.filePath(QString::fromStdString("Events/" + name + ".ief"))
                                     .toStdString(),
                                 FormatEventFileText(time, SystemTime{1943, 5, 1, 3, 0, 0, 2, 0},
                                                     false, false, "graze", name, "TYC 1")));
      // Event time less one second (half the duration) less half a second.
      planned_start_ms.push_back(at.time().msecsSinceStartOfDay() / 1000 * 1000 - 1500);
    }
    QProcess station;
    Configure(station, {"--headless", "--simulated-camera", "--quit-after",
                        QString::number(seconds_ahead.back() + 4)});
    station.start();
    EXPECT_TRUE(station.waitForFinished(kRunTimeoutMilliseconds + seconds_ahead.back() * 1000));
    output_ = station.readAllStandardOutput().toStdString();
    const QStringList avis = VideoFiles("*.avi");
    EXPECT_EQ(avis.size(), static_cast<int>(seconds_ahead.size())) << output_;
    std::vector<EventTimingError> errors;
    for (std::size_t i = 0; i < static_cast<std::size_t>(avis.size()) && i < planned_start_ms.size(); ++i) {
      const std::string path =
          home_.filePath("VideoFiles/" + avis[static_cast<int>(i)]).toStdString();
      AviFileInfo file;
      std::string error;
      if (!testing::ReadRecording(path, &file, &error) || file.frames.empty()) {
        ADD_FAILURE() << path << ": " << error;
        continue;
      }
      const long first = testing::FrameStampOf(path, file, 0).first;
      const long last = testing::FrameStampOf(path, file, file.frames.size() - 1).first;
      const long planned_stop = planned_start_ms[i] + 2450;
      errors.push_back({first - planned_start_ms[i], planned_stop - last});
      std::printf("Event %zu: first frame %+ld ms from the planned start, last frame %ld ms "
                  "before the planned stop, %zu frames\n",
                  i, errors.back().start_ms, errors.back().stop_ms, file.frames.size());
    }
    return errors;
  }
  std::string output_;
};

// Unplugged for good: the file and log hold what came before, and the status says cut short.
TEST_F(HeadlessStationTest, ACameraThatNeverComesBackLeavesTheRecordingCutShort) {
  QProcess station;
  Configure(station, {"--headless", "--simulated-camera", "--record", "3"});
  station.start();
  QByteArray output;
  ASSERT_TRUE(WaitForOutput(station, &output, "Start recording at ")) << output.toStdString();
  QThread::msleep(1000);
  ASSERT_EQ(::kill(static_cast<pid_t>(station.processId()), SIGUSR1), 0);
  ASSERT_TRUE(station.waitForFinished(kRunTimeoutMilliseconds));
  EXPECT_EQ(station.exitCode(), 3) << (output + station.readAllStandardOutput()).toStdString();
  EXPECT_EQ(VideoFiles("*.avi").size(), 1);
  EXPECT_EQ(VideoFiles("*.log").size(), 1);
}

// The simulated analog camera unplugged at 3 s of a 10 s recording and plugged back in at
// 5 s: the first file is finished with its log, the recording goes on in its continuation,
// both read whole, and the reports come in order.
TEST_F(HeadlessStationTest, ACameraUnpluggedAndBackContinuesTheRecordingInASecondFile) {
  QProcess station;
  Configure(station, {"--headless", "--simulated-camera", "--record", "10"});
  station.start();
  QByteArray output;
  ASSERT_TRUE(WaitForOutput(station, &output, "Start recording at ")) << output.toStdString();
  QElapsedTimer recording;
  recording.start();
  std::vector<long> sent;  // when each signal went, in ms of the UTC day as frames are stamped
  for (const auto& [at, signal_number] : {std::pair{3000, SIGUSR1}, std::pair{5000, SIGUSR2}}) {
    QThread::msleep(static_cast<unsigned long>(std::max<qint64>(0, at - recording.elapsed())));
    sent.push_back(QDateTime::currentDateTimeUtc().time().msecsSinceStartOfDay());
    ASSERT_EQ(::kill(static_cast<pid_t>(station.processId()), signal_number), 0);
  }
  ASSERT_TRUE(station.waitForFinished(kRunTimeoutMilliseconds));
  const std::string text = (output + station.readAllStandardOutput()).toStdString();
  EXPECT_EQ(station.exitCode(), 0) << text;
  const QStringList avis = VideoFiles("*.avi");
  ASSERT_EQ(avis.size(), 2) << text;
  ASSERT_EQ(VideoFiles("*.log").size(), 2);
  EXPECT_EQ(avis[1], QFileInfo(avis[0]).completeBaseName() + "_1.avi");
  std::string paths[2];
  AviFileInfo files[2];
  for (int i = 0; i < 2; ++i) {
    paths[i] = home_.filePath("VideoFiles/" + avis[i]).toStdString();
    const QString log = "VideoFiles/" + QFileInfo(avis[i]).completeBaseName() + ".log";
    const long long frames = LogNumber(ReadHomeFile(log), "Number of recorded frames:  ");
    EXPECT_GE(frames, i == 0 ? 60 : 100);
    EXPECT_EQ(testing::Probe(paths[i]), "720,576,25/1," + std::to_string(frames) + "\n");
    std::string error;
    ASSERT_TRUE(testing::ReadRecording(paths[i], &files[i], &error)) << error;
    EXPECT_EQ(static_cast<long long>(files[i].frames.size()), frames);
  }
  // The reports in order.
  const std::string camera = "Active video capture device \"VESK Simulated Analog Camera\"";
  std::size_t at = 0;
  for (const std::string& line :
       {"Video file:  " + paths[0], camera + " disconnected while recording",
        camera + " reconnected for recording", std::string("Start recording at "),
        "Video file:  " + paths[1]}) {
    at = text.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << "\n" << text;
  }
  // The time burnt into the last frame of the first file and the first of its continuation.
  const std::size_t end = files[0].frames.size() - 1;
  const long last = testing::FrameStampOf(paths[0], files[0], end).first;
  const long resumed = testing::FrameStampOf(paths[1], files[1], 0).first;
  std::printf("Unplugged %ld ms after the last frame of the first file, plugged back %ld ms "
              "before the first frame of the continuation: %ld ms between the two frames\n",
              sent[0] - last, resumed - sent[1], resumed - last);
  EXPECT_GE(resumed - last, sent[1] - sent[0]);
  EXPECT_LE(resumed - last, sent[1] - sent[0] + 1000);
}

// An Event written a few seconds ahead is recorded by itself, on time to the frame, under its
// own name and with its log, and the station is idle again afterwards.
// The options name VMR9, as a desktop station writes them: headless, EVR takes its place.
TEST_F(HeadlessEventTest, AnEventIsRecordedByItselfOnTimeToTheFrame) {
  Options options;
  SetDefaultOptions(&options);
  options.default_renderer = kRendererVmr9;
  ASSERT_TRUE(SaveOptionsFile(home_.filePath(kOptionsFileName).toStdString(), options, {}));
  for (const EventTimingError& error : RecordEvents({5})) {
    EXPECT_GE(error.start_ms, 0);
    EXPECT_LT(error.start_ms, 50);
    EXPECT_GE(error.stop_ms, 0);
    EXPECT_LT(error.stop_ms, 50);
  }
  const QStringList logs = VideoFiles("*.log");
  ASSERT_EQ(logs.size(), 1);
  EXPECT_TRUE(logs[0].startsWith("Ceres0_TYC 1_"));
  const std::string log = ReadHomeFile("VideoFiles/" + logs[0]);
  EXPECT_EQ(log.rfind("Event recording: Ceres0 TYC 1 graze\r\n", 0), 0u);
  EXPECT_NE(log.find("\r\nVideo renderer: EVR\r\n"), std::string::npos) << log;
  const std::size_t stop = output_.find("Stop recording at ");
  ASSERT_NE(stop, std::string::npos) << output_;
  EXPECT_NE(output_.find("There are no scheduled Events", stop), std::string::npos) << output_;
}

// A receiver that answers during the countdown and goes silent just before the start: the
// Event begins on time all the same, with the position read during the countdown.
TEST_F(HeadlessEventTest, AnEventBeginsOnTimeWhenTheGpsGoesSilentJustBeforeItsStart) {
  testing::PtyReceiver gps;
  gps.Play({{"$GNGGA,092725.00,2037.72792,N,10322.31250,W,1,12,0.72,1865.027,M,-8.4,M,,*7B\r\n",
             250ms}});
  gps_ports_ = QString::fromStdString(gps.path());
  Options options;
  SetDefaultOptions(&options);
  options.autostart_gps = true;
  ASSERT_TRUE(SaveOptionsFile(home_.filePath(kOptionsFileName).toStdString(), options, {}));
  // The graph starts 3.5 s before the Event time (at least 7 s from now).
  std::thread silence([&gps] {
    std::this_thread::sleep_for(5500ms);
    gps.Silence();
  });
  const std::vector<EventTimingError> errors = RecordEvents({11});
  silence.join();
  for (const EventTimingError& error : errors) {
    EXPECT_GE(error.start_ms, 0);
    EXPECT_LT(error.start_ms, 50);
  }
  const QStringList logs = VideoFiles("*.log");
  ASSERT_EQ(logs.size(), 1);
  const std::string log = ReadHomeFile("VideoFiles/" + logs[0]);
  EXPECT_NE(log.find("\r\nLatitude: 20.377279 N\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\r\nLatitude in decimal degrees: 20.628798 N\r\n"), std::string::npos);
}

// Five Events in a row, 35 s apart: the start and stop errors of each (VESK_LONG_TESTS).
TEST_F(HeadlessEventTest, LongFiveEventsAreEachRecordedOnTime) {
  if (std::getenv("VESK_LONG_TESTS") == nullptr) GTEST_SKIP() << "set VESK_LONG_TESTS to run";
  for (const EventTimingError& error : RecordEvents({5, 40, 75, 110, 145})) {
    EXPECT_GE(error.start_ms, 0);
    EXPECT_LT(error.start_ms, 50);
    EXPECT_LT(error.stop_ms, 50);
  }
}

// A second station of the same user, or any second station in the same home folder (a
// service has another runtime folder), ends at once with E_ABORT, saying why in one line.
TEST_F(HeadlessStationTest, ASecondCopyEndsAtOnceWithEAbortAndSaysWhichLock) {
  QProcess first;
  Configure(first, {"--headless", "--quit-after", "60"});
  first.start();
  QByteArray output;
  ASSERT_TRUE(WaitForOutput(first, &output, "There is no video capture device"))
      << output.toStdString();

  QTemporaryDir other_runtime;
  for (const bool same_runtime : {true, false}) {
    QProcess second;
    Configure(second, {"--headless", "--simulated-camera"});
    if (!same_runtime) {
      QProcessEnvironment environment = second.processEnvironment();
      environment.insert("XDG_RUNTIME_DIR", other_runtime.path());
      second.setProcessEnvironment(environment);
    }
    second.start();
    ASSERT_TRUE(second.waitForFinished(10000));
    // E_ABORT (0x80004004) reaches the shell as its low byte.
    EXPECT_EQ(second.exitCode(), 4);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    const QString why = QString::fromUtf8(second.readAllStandardError());
    EXPECT_EQ(why.count('\n'), 1) << why.toStdString();
    EXPECT_TRUE(why.contains(same_runtime ? runtime_.path() : home_.path()));
    EXPECT_TRUE(why.contains(QString("process %1").arg(first.processId()))) << why.toStdString();
  }

  ::kill(static_cast<pid_t>(first.processId()), SIGINT);
  ASSERT_TRUE(first.waitForFinished(kRunTimeoutMilliseconds));
  EXPECT_EQ(first.exitCode(), 0);
  EXPECT_FALSE(QDir(home_.filePath("VideoFiles")).exists());
}

TEST_F(HeadlessStationTest, HelpBadArgumentsAndNothingRecordedHaveTheirStatus) {
  QProcess help;
  Configure(help, {"--help"});
  help.start();
  ASSERT_TRUE(help.waitForFinished(10000));
  EXPECT_EQ(help.exitCode(), 0);
  EXPECT_TRUE(help.readAllStandardOutput().contains("--simulated-camera"));

  // A video folder that cannot be made: nothing is recorded, and the status says so.
  QFile blocker(home_.filePath("VideoFiles"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QProcess nothing;
  Configure(nothing, {"--headless", "--simulated-camera", "--record", "1"});
  nothing.start();
  ASSERT_TRUE(nothing.waitForFinished(kRunTimeoutMilliseconds));
  EXPECT_EQ(nothing.exitCode(), 1) << nothing.readAllStandardOutput().toStdString();

  QProcess bad;
  Configure(bad, {"--record", "soon"});
  bad.start();
  ASSERT_TRUE(bad.waitForFinished(10000));
  EXPECT_EQ(bad.exitCode(), 2);
  EXPECT_TRUE(bad.readAllStandardError().contains("--record needs a number of seconds"));
}

}  // namespace
}  // namespace vesk
