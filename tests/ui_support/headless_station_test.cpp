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
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "config/options.h"
#include "events/event_file.h"
#include "media_support/ffprobe.h"
#include "media_support/recorded_avi.h"
#include "media_support/stamp_reader.h"
#include "support/pty_receiver.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using namespace std::chrono_literals;

constexpr int kRunTimeoutMilliseconds = 60000;

QString Program() {
  return QDir(QCoreApplication::applicationDirPath()).filePath("../src/vesk-capture");
}

// The number after "label" up to the line end in a recording log, or -1.
long long LogNumber(const std::string& log, const std::string& label) {
  const std::size_t at = log.find(label);
  if (at == std::string::npos) return -1;
  return std::stoll(log.substr(at + label.size()));
}

// Each line found in the text after the one before it.
void ExpectInOrder(const std::string& text, const std::vector<std::string>& lines) {
  std::size_t at = 0;
  for (const std::string& line : lines) {
    at = text.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << "\n" << text;
  }
}

// The exit code of a process that ended by itself, -1 for one that crashed.
int Status(const QProcess& process) {
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
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
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
      environment.remove(name);
    if (!gps_ports_.isEmpty()) environment.insert("VESK_GPS_PORTS", gps_ports_);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(home_.path());
    process.setProgram(Program());
    process.setArguments(arguments);
  }

  // Runs the station to its end; false when it did not end in time.
  bool Run(QProcess& process, const QStringList& arguments, int timeout = kRunTimeoutMilliseconds) {
    Configure(process, arguments);
    process.start();
    return process.waitForFinished(timeout);
  }

  // Starts the station and waits until its standard output contains text; false after the
  // timeout.
  bool StartUntil(QProcess& process, const QStringList& arguments, QByteArray* output,
                  const QByteArray& text = "Start recording at ") {
    Configure(process, arguments);
    process.start();
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

  void SaveOptions(const std::function<void(Options&)>& change) {
    Options options;
    SetDefaultOptions(&options);
    change(options);
    ASSERT_TRUE(SaveOptionsFile(home_.filePath(kOptionsFileName).toStdString(), options, {}));
  }

  // A receiver on the second of the ports the station looks on, which it opens at start-up.
  void AutostartGps(testing::PtyReceiver& gps) {
    gps.Play(
        {{"$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n"
          "$GNGGA,092725.00,2037.72792,N,10322.31250,W,1,12,0.72,1865.027,M,-8.4,M,,*7B\r\n",
          250ms}});
    gps_ports_ = QString::fromStdString("/dev/nonexistent-gps:" + gps.path());
    SaveOptions([](Options& options) { options.autostart_gps = true; });
  }
  // The one recording's log holds the receiver's position.
  void ExpectGpsPositionLogged() const {
    const QStringList logs = VideoFiles("*.log");
    ASSERT_EQ(logs.size(), 1);
    const std::string log = ReadVideoFile(logs[0]);
    EXPECT_NE(log.find("\r\nLatitude: 20.377279 N\r\nLongitude: 103.223125 W\r\n"
                       "Altitude: 1865.027 M\r\nNumber of satellites: 12\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("\r\nLatitude in decimal degrees: 20.628798 N\r\n"), std::string::npos);
  }

  QStringList VideoFiles(const QString& pattern) const {
    return QDir(home_.filePath("VideoFiles")).entryList({pattern}, QDir::Files, QDir::Name);
  }
  std::string VideoPath(const QString& name) const {
    return home_.filePath("VideoFiles/" + name).toStdString();
  }
  std::string ReadVideoFile(const QString& name) const {
    return testing::ReadFileBytes(VideoPath(name));
  }
  // The frames counted by the log beside the video file.
  long long LoggedFrames(const QString& avi) const {
    return LogNumber(ReadVideoFile(QFileInfo(avi).completeBaseName() + ".log"),
                     "Number of recorded frames:  ");
  }
  // The station's own reader (the video stream header's count) and ffprobe both find the
  // frames in the file.
  void ExpectFramesInFile(const QString& avi, long long frames) const {
    AviFileInfo file;
    std::string error;
    ASSERT_TRUE(testing::ReadRecording(VideoPath(avi), &file, &error)) << error;
    EXPECT_EQ(file.header_length, frames);
    EXPECT_EQ(testing::Probe(VideoPath(avi)), "720,576,25/1," + std::to_string(frames) + "\n");
  }

  QTemporaryDir home_;
  QTemporaryDir runtime_;
  // The serial ports the station looks for a GPS receiver on.
  QString gps_ports_;
};

// At start-up the station finds the receiver on the second of its ports, and the
// recording's log holds the position the receiver sent. Kept first, so that in the one-process
// ThreadSanitizer run it comes before the tests that start other stations, as it always did.
using GpsHeadlessTest = HeadlessStationTest;
TEST_F(GpsHeadlessTest, AutostartFindsTheReceiverAndTheRecordingLogHoldsItsPosition) {
  testing::PtyReceiver gps;
  AutostartGps(gps);
  QProcess station;
  ASSERT_TRUE(Run(station, {"--headless", "--simulated-camera", "--record", "2"}));
  EXPECT_EQ(Status(station), 0);
  ExpectInOrder(station.readAllStandardOutput().toStdString(),
                {"\n" + gps.path() + " at 38400 baud\n", "USB GPS connected\n"});
  ExpectGpsPositionLogged();
}

// Recorded on a machine kept busy by three threads that never sleep (more than it has
// cores): the log's counts must still be what the file holds.
TEST_F(HeadlessStationTest, RecordLeavesTheVideoAndItsLogAndReportsOnStandardOutput) {
  std::atomic<bool> hog{true};
  std::vector<std::thread> hogs;
  for (int i = 0; i < 3; ++i) {
    hogs.emplace_back([&hog] {
      for (volatile unsigned spin = 0; hog.load(std::memory_order_relaxed);) spin = spin + 1;
    });
  }
  QProcess station;
  const bool finished = Run(station, {"--headless", "--simulated-camera", "--record", "3"});
  hog = false;
  for (std::thread& thread : hogs) thread.join();
  ASSERT_TRUE(finished);
  EXPECT_EQ(Status(station), 0);
  const std::string output = station.readAllStandardOutput().toStdString();

  const QStringList avis = VideoFiles("*.avi");
  ASSERT_EQ(avis.size(), 1) << output;
  ASSERT_EQ(VideoFiles("*.log").size(), 1);
  const QRegularExpression name("^\\d\\d_\\d\\d_\\d{4}_\\d\\d_\\d\\d_\\d\\d\\.avi$");
  EXPECT_TRUE(name.match(avis[0]).hasMatch()) << avis[0].toStdString();
  // The log beside the video file, under its name.
  const std::string log = ReadVideoFile(QFileInfo(avis[0]).completeBaseName() + ".log");
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
  // The log counts exactly the frames in the file, as other readers find them.
  ExpectFramesInFile(avis[0], recorded);

  // The start-up reports come first, the queued one last among them, then the recording.
  ExpectInOrder(output, {"Computer local time is ", "There are no scheduled Events",
                         "No Options File or unreadable Options File", "Start recording at ",
                         "Stop recording at ", "Video file:  "});
  EXPECT_EQ(output.find('\r'), std::string::npos);
}

// Whatever ends the station (a stop request, Ctrl+C, the terminal or SSH session closing,
// Ctrl+\\), the recording is stopped, its file finished and its log written. A camera
// unplugged for good (SIGUSR1) leaves the same, with the status saying cut short.
TEST_F(HeadlessStationTest, EndingSignalsAndAVanishedCameraStopTheRecordingAndWriteItsLog) {
  const struct {
    int signal_number;
    const char* record_seconds;
    int status;
  } runs[] = {{SIGTERM, "60", 0},
              {SIGINT, "60", 0},
              {SIGHUP, "60", 0},
              {SIGQUIT, "60", 0},
              {SIGUSR1, "3", 3}};
  for (const auto& run : runs) {
    SCOPED_TRACE(strsignal(run.signal_number));
    QDir(home_.filePath("VideoFiles")).removeRecursively();
    QProcess station;
    QByteArray output;
    ASSERT_TRUE(StartUntil(
        station, {"--headless", "--simulated-camera", "--record", run.record_seconds}, &output))
        << output.toStdString();
    QThread::msleep(1000);
    ASSERT_EQ(::kill(static_cast<pid_t>(station.processId()), run.signal_number), 0);
    ASSERT_TRUE(station.waitForFinished(kRunTimeoutMilliseconds));
    output += station.readAllStandardOutput();
    EXPECT_EQ(Status(station), run.status) << output.toStdString();
    EXPECT_TRUE(output.contains("Stop recording at ")) << output.toStdString();
    const QStringList avis = VideoFiles("*.avi");
    ASSERT_EQ(VideoFiles("*.log").size(), 1);
    ASSERT_EQ(avis.size(), 1);
    EXPECT_GT(LoggedFrames(avis[0]), 0);
    ExpectFramesInFile(avis[0], LoggedFrames(avis[0]));
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
  EXPECT_EQ(Status(station), 3);
  const QStringList avis = VideoFiles("*.avi");
  ASSERT_EQ(VideoFiles("*.log").size(), 1) << output;
  ASSERT_EQ(avis.size(), 1) << output;
  const long long recorded = LoggedFrames(avis[0]);
  EXPECT_EQ(recorded, 9);  // 829,440-byte frames under 8,000,000 bytes, with the index
  ExpectFramesInFile(avis[0], recorded);
  // One stop, the one after the report.
  ExpectInOrder(output, {"ERROR: the recording stopped: its video file could not be written: " +
                             VideoPath(avis[0]),
                         "The video file holds " + std::to_string(recorded) +
                             " frames and is readable up to the last of them\n",
                         "Stop recording at "});
  EXPECT_EQ(output.find("Stop recording at ", output.find("Stop recording at ") + 1),
            std::string::npos);
}

// The simulated analog camera unplugged at 3 s of a 10 s recording and plugged back in at
// 5 s: the first file is finished with its log, the recording goes on in its continuation,
// both read whole, and the reports come in order.
TEST_F(HeadlessStationTest, ACameraUnpluggedAndBackContinuesTheRecordingInASecondFile) {
  QProcess station;
  QByteArray output;
  ASSERT_TRUE(StartUntil(station, {"--headless", "--simulated-camera", "--record", "10"}, &output))
      << output.toStdString();
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
  EXPECT_EQ(Status(station), 0) << text;
  const QStringList avis = VideoFiles("*.avi");
  ASSERT_EQ(avis.size(), 2) << text;
  ASSERT_EQ(VideoFiles("*.log").size(), 2);
  EXPECT_EQ(avis[1], QFileInfo(avis[0]).completeBaseName() + "_1.avi");
  AviFileInfo files[2];
  for (int i = 0; i < 2; ++i) {
    const long long frames = LoggedFrames(avis[i]);
    EXPECT_GE(frames, i == 0 ? 60 : 100);
    EXPECT_EQ(testing::Probe(VideoPath(avis[i])), "720,576,25/1," + std::to_string(frames) + "\n");
    std::string error;
    ASSERT_TRUE(testing::ReadRecording(VideoPath(avis[i]), &files[i], &error)) << error;
    EXPECT_EQ(static_cast<long long>(files[i].frames.size()), frames);
  }
  const std::string camera = "Active video capture device \"VESK Simulated Analog Camera\"";
  ExpectInOrder(text,
                {"Video file:  " + VideoPath(avis[0]), camera + " disconnected while recording",
                 camera + " reconnected for recording", "Start recording at ",
                 "Video file:  " + VideoPath(avis[1])});
  // The time burnt into the last frame of the first file and the first of its continuation.
  const std::size_t end = files[0].frames.size() - 1;
  const long last = testing::FrameStampOf(VideoPath(avis[0]), files[0], end).first;
  const long resumed = testing::FrameStampOf(VideoPath(avis[1]), files[1], 0).first;
  std::printf(
      "Unplugged %ld ms after the last frame of the first file, plugged back %ld ms "
      "before the first frame of the continuation: %ld ms between the two frames\n",
      sent[0] - last, resumed - sent[1], resumed - last);
  EXPECT_GE(resumed - last, sent[1] - sent[0]);
  EXPECT_LE(resumed - last, sent[1] - sent[0] + 1000);
}

// Events ahead of now by the given seconds, each two seconds long, then the station runs
// until the last has ended. Each recording's first frame is captured (the time burnt into the
// picture) less than 50 ms after its planned start, and its last less than 50 ms before its
// planned stop.
class HeadlessEventTest : public HeadlessStationTest {
 protected:
  void RecordEventsOnTime(const std::vector<int>& seconds_ahead, bool check_stop = true) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    std::vector<long> planned_start_ms;
    QDir(home_.path()).mkpath("Events");
    for (std::size_t i = 0; i < seconds_ahead.size(); ++i) {
      const QDateTime at = now.addSecs(seconds_ahead[i]);
      // In whole seconds; file times count from 1601, 11,644,473,600 s before 1970.
      SystemTime time;
      FileTimeToSystemTime((at.toSecsSinceEpoch() + 11'644'473'600) * kTicksPerSecond, &time);
      const std::string name = "Ceres" + std::to_string(i);
      EXPECT_TRUE(WriteEventFile(
          home_.filePath(QString::fromStdString("Events/" + name + ".ief")).toStdString(),
          FormatEventFileText(time, SystemTime{1943, 5, 1, 3, 0, 0, 2, 0}, false, false, "graze",
                              name, "TYC 1")));
      // Event time less one second (half the duration) less half a second.
      planned_start_ms.push_back(at.time().msecsSinceStartOfDay() / 1000 * 1000 - 1500);
    }
    QProcess station;
    EXPECT_TRUE(Run(station,
                    {"--headless", "--simulated-camera", "--quit-after",
                     QString::number(seconds_ahead.back() + 4)},
                    kRunTimeoutMilliseconds + seconds_ahead.back() * 1000));
    output_ = station.readAllStandardOutput().toStdString();
    const QStringList avis = VideoFiles("*.avi");
    EXPECT_EQ(avis.size(), static_cast<int>(seconds_ahead.size())) << output_;
    for (std::size_t i = 0;
         i < static_cast<std::size_t>(avis.size()) && i < planned_start_ms.size(); ++i) {
      SCOPED_TRACE(i);
      const std::string path = VideoPath(avis[static_cast<int>(i)]);
      AviFileInfo file;
      std::string error;
      if (!testing::ReadRecording(path, &file, &error) || file.frames.empty()) {
        ADD_FAILURE() << path << ": " << error;
        continue;
      }
      const long start_ms = testing::FrameStampOf(path, file, 0).first - planned_start_ms[i];
      const long stop_ms = planned_start_ms[i] + 2450 -
                           testing::FrameStampOf(path, file, file.frames.size() - 1).first;
      std::printf(
          "Event %zu: first frame %+ld ms from the planned start, last frame %ld ms "
          "before the planned stop, %zu frames\n",
          i, start_ms, stop_ms, file.frames.size());
      EXPECT_GE(start_ms, 0);
      EXPECT_LT(start_ms, 50);
      if (!check_stop) continue;
      EXPECT_GE(stop_ms, 0);
      EXPECT_LT(stop_ms, 50);
    }
  }
  std::string output_;
};

// An Event written a few seconds ahead is recorded by itself, on time to the frame, under its
// own name and with its log, and the station is idle again afterwards.
// The options name VMR9, as a desktop station writes them: headless, EVR takes its place.
TEST_F(HeadlessEventTest, AnEventIsRecordedByItselfOnTimeToTheFrame) {
  SaveOptions([](Options& options) { options.default_renderer = kRendererVmr9; });
  RecordEventsOnTime({5});
  const QStringList logs = VideoFiles("*.log");
  ASSERT_EQ(logs.size(), 1);
  EXPECT_TRUE(logs[0].startsWith("Ceres0_TYC 1_"));
  const std::string log = ReadVideoFile(logs[0]);
  EXPECT_EQ(log.rfind("Event recording: Ceres0 TYC 1 graze\r\n", 0), 0u);
  EXPECT_NE(log.find("\r\nVideo renderer: EVR\r\n"), std::string::npos) << log;
  ExpectInOrder(output_, {"Stop recording at ", "There are no scheduled Events"});
}

// A receiver that answers during the countdown and goes silent just before the start: the
// Event begins on time all the same, with the position read during the countdown.
TEST_F(HeadlessEventTest, AnEventBeginsOnTimeWhenTheGpsGoesSilentJustBeforeItsStart) {
  testing::PtyReceiver gps;
  AutostartGps(gps);
  // The graph starts 3.5 s before the Event time (at least 7 s from now).
  std::thread silence([&gps] {
    std::this_thread::sleep_for(5500ms);
    gps.Silence();
  });
  RecordEventsOnTime({11}, false);
  silence.join();
  ExpectGpsPositionLogged();
}

// Five Events in a row, 35 s apart: the start and stop errors of each (VESK_LONG_TESTS).
TEST_F(HeadlessEventTest, LongFiveEventsAreEachRecordedOnTime) {
  if (std::getenv("VESK_LONG_TESTS") == nullptr) GTEST_SKIP() << "set VESK_LONG_TESTS to run";
  RecordEventsOnTime({5, 40, 75, 110, 145});
}

// A second station of the same user, or any second station in the same home folder (a
// service has another runtime folder), ends at once with E_ABORT, saying why in one line.
TEST_F(HeadlessStationTest, ASecondCopyEndsAtOnceWithEAbortAndSaysWhichLock) {
  QProcess first;
  QByteArray output;
  ASSERT_TRUE(StartUntil(first, {"--headless", "--quit-after", "60"}, &output,
                         "There is no video capture device"))
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
  // A video folder that cannot be made: nothing is recorded, and the status says so.
  QFile blocker(home_.filePath("VideoFiles"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const struct {
    QStringList arguments;
    int status;
    QByteArray said;  // on standard output when the run succeeds, else on standard error
  } runs[] = {{{"--help"}, 0, "--simulated-camera"},
              {{"--headless", "--simulated-camera", "--record", "1"}, 1, ""},
              {{"--record", "soon"}, 2, "--record needs a number of seconds"}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.arguments.join(' ').toStdString());
    QProcess station;
    ASSERT_TRUE(Run(station, run.arguments));
    EXPECT_EQ(Status(station), run.status);
    EXPECT_TRUE((run.status == 0 ? station.readAllStandardOutput() : station.readAllStandardError())
                    .contains(run.said));
  }
}

}  // namespace
}  // namespace vesk
