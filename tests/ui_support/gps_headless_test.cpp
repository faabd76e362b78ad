// End to end: the built vesk-capture, headless, on the simulated camera with real
// GStreamer, finds a receiver playing on a pseudo-terminal at start-up (AutostartGPS) and its
// recording's log holds the position the receiver sent.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "config/options.h"
#include "support/pty_receiver.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using namespace std::chrono_literals;

TEST(GpsHeadlessTest, AutostartFindsTheReceiverAndTheRecordingLogHoldsItsPosition) {
  testing::PtyReceiver gps;
  gps.Play(
      {{"$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n"
        "$GNGGA,092725.00,2037.72792,N,10322.31250,W,1,12,0.72,1865.027,M,-8.4,M,,*7B\r\n",
        250ms}});
  QTemporaryDir home;
  QTemporaryDir runtime;
  ASSERT_TRUE(home.isValid() && runtime.isValid());
  Options options;
  options.autostart_gps = true;
  ASSERT_TRUE(SaveOptionsFile(home.filePath("VESK_options.xml").toStdString(), options, {}));

  QProcess station;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_RUNTIME_DIR", runtime.path());
  environment.insert("VESK_GPS_PORTS",
                     QString::fromStdString("/dev/nonexistent-gps:" + gps.path()));
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    environment.remove(name);
  station.setProcessEnvironment(environment);
  station.setWorkingDirectory(home.path());
  station.start(QDir(QCoreApplication::applicationDirPath()).filePath("../src/vesk-capture"),
                {"--headless", "--simulated-camera", "--record", "2"});
  ASSERT_TRUE(station.waitForFinished(60000));
  EXPECT_EQ(station.exitCode(), 0);
  const std::string output = station.readAllStandardOutput().toStdString();
  const std::size_t found = output.find("\n" + gps.path() + " at 38400 baud\n");
  EXPECT_LT(found, output.find("USB GPS connected\n", found == std::string::npos ? 0 : found))
      << output;

  const QStringList logs = QDir(home.filePath("VideoFiles")).entryList({"*.log"}, QDir::Files);
  ASSERT_EQ(logs.size(), 1) << output;
  const std::string log =
      testing::ReadFileBytes(home.filePath("VideoFiles/" + logs[0]).toStdString());
  EXPECT_NE(log.find("\r\nLatitude: 20.377279 N\r\nLongitude: 103.223125 W\r\n"
                     "Altitude: 1865.027 M\r\nNumber of satellites: 12\r\n"),
            std::string::npos)
      << log;
}

}  // namespace
}  // namespace vesk
