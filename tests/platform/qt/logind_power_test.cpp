// The logind and UPower clients against python-dbusmock's stand-ins, on a private bus that
// the test starts and gives the clients as their system bus.

#include "platform/qt/logind_power.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "platform/qt/upower_battery.h"

namespace vesk {
namespace {

// A method of a service's object named like the service ("/org/freedesktop/login1").
QDBusMessage Call(const QString& service, const QString& interface, const QString& method,
                  const QVariantList& arguments = {}) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      service, "/" + QString(service).replace('.', '/'), interface, method);
  call.setArguments(arguments);
  return QDBusConnection::systemBus().call(call, QDBus::Block, 5000);
}

// The stand-in's locks as "what|who|why|mode"; polled until the expected list shows.
bool InhibitorsBecome(const QStringList& expected) {
  const QDeadlineTimer deadline(3000);
  for (QStringList locks; !deadline.hasExpired(); locks.clear(), QThread::msleep(20)) {
    const QDBusMessage reply =
        Call("org.freedesktop.login1", "org.freedesktop.login1.Manager", "ListInhibitors");
    const auto list = reply.arguments().value(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
      QString what, who, why, mode;
      uint uid = 0, pid = 0;
      list.beginStructure();
      list >> what >> who >> why >> mode >> uid >> pid;
      list.endStructure();
      locks << QStringList{what, who, why, mode}.join('|');
    }
    if (locks == expected) return true;
  }
  return false;
}

struct LogindPowerTest : ::testing::Test {
  static void SetUpTestSuite() {
    folder = new QTemporaryDir;
    bus = new QProcess;
    bus->start("dbus-daemon", {"--session", "--nofork", "--print-address=1",
                               "--address=unix:path=" + folder->filePath("bus")});
    // Read by the client when it first connects.
    if (bus->waitForReadyRead(5000)) qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus->readLine().trimmed());
  }
  static void TearDownTestSuite() {
    bus->kill(), bus->waitForFinished();
    delete bus;
    delete folder;
  }
  void SetUp() override {
    ASSERT_EQ(bus->state(), QProcess::Running) << "dbus-daemon did not start";
    StartStandIn(logind, "org.freedesktop.login1",
                 {"--template", "logind", "-l", folder->filePath("calls")});
  }
  static void StartStandIn(QProcess& process, const QString& service,
                           const QStringList& arguments) {
    // Debian installs the stand-in for its own interpreter, which may not be the first one.
    process.start(QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3",
                  QStringList{"-m", "dbusmock"} + arguments);
    const QDeadlineTimer deadline(15000);
    while (!QDBusConnection::systemBus().interface()->isServiceRegistered(service)) {
      ASSERT_FALSE(deadline.hasExpired()) << "no python3-dbusmock (scripts/install-deps)";
      QThread::msleep(20);
    }
  }
  void TearDown() override {
    if (logind.state() == QProcess::NotRunning) return;
    ::kill(static_cast<pid_t>(logind.processId()), SIGCONT);
    logind.kill(), logind.waitForFinished();
  }
  static inline QTemporaryDir* folder = nullptr;
  static inline QProcess* bus = nullptr;
  QProcess logind;
  qt::LogindPower power;
};

// The calls and their failures as logind has them; what the station makes of them is
// PowerActionTest's.
TEST_F(LogindPowerTest, CallsReachLogindAsAskedAndFailWithItsReasonWhenRefusedSilentOrGone) {
  std::string error;
  EXPECT_TRUE(power.Hibernate(&error) && power.PowerOff(&error)) << error;
  // The methods called, with their arguments as the stand-in logs them.
  QFile log(folder->filePath("calls"));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  QStringList calls;
  for (const QByteArray& line : log.readAll().split('\n'))
    if (line.contains(' ')) calls << QString::fromUtf8(line.mid(line.indexOf(' ') + 1));
  EXPECT_EQ(calls, (QStringList{"Hibernate False", "PowerOff False"}));

  auto hold = power.InhibitSleep("Event at 03:05:09 UTC", &error);
  EXPECT_TRUE(hold &&
              InhibitorsBecome({"sleep:idle|VESK Video Capture|Event at 03:05:09 UTC|block"}));
  hold.reset();
  EXPECT_TRUE(InhibitorsBecome({}));

  Call("org.freedesktop.login1", "org.freedesktop.DBus.Mock", "AddMethod",
       {"org.freedesktop.login1.Manager", "PowerOff", "b", "",
        "raise dbus.exceptions.DBusException('Interactive authentication required.', "
        "name='org.freedesktop.DBus.Error.InteractiveAuthorizationRequired')"});
  EXPECT_FALSE(power.PowerOff(&error));
  EXPECT_EQ(error,
            "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired: Interactive "
            "authentication required.");

  // Silent, then missing: each call fails quickly, with the bus's reason.
  ::kill(static_cast<pid_t>(logind.processId()), SIGSTOP);
  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(power.InhibitSleep("Event", &error), nullptr);
  EXPECT_LT(timer.restart(), 3000);
  EXPECT_EQ(error.rfind("org.freedesktop.DBus.Error.NoReply: ", 0), 0u) << error;
  TearDown();
  std::string hibernate_error, power_off_error;
  EXPECT_FALSE(power.CanHibernate() || power.MayShutDownOrHibernate() ||
               power.InhibitSleep("Event", &error) || power.Hibernate(&hibernate_error) ||
               power.PowerOff(&power_off_error));
  EXPECT_LT(timer.elapsed(), 1000);
  for (const std::string& reason : {error, hibernate_error, power_off_error})
    EXPECT_EQ(reason.rfind("org.freedesktop.DBus.Error.ServiceUnknown: ", 0), 0u) << reason;
}

// On battery: the display device's charge and time left; before UPower has a battery to
// show, no estimate; without UPower, nothing at all, at once.
TEST_F(LogindPowerTest, TheBatteryIsReadFromUPowersDisplayDevice) {
  QProcess upower;
  StartStandIn(upower, "org.freedesktop.UPower",
               {"--template", "upower", "-p", R"({"OnBattery": true})"});
  qt::UPowerBattery battery;
  std::optional<BatteryState> state = battery.Read();
  ASSERT_TRUE(state);
  EXPECT_EQ(std::pair(state->on_battery, state->seconds_to_empty), std::pair(true, 0L));

  ASSERT_EQ(
      Call("org.freedesktop.UPower", "org.freedesktop.DBus.Mock", "SetupDisplayDevice",
           {2u, 2u, 15.0, 15.0, 100.0, 10.0, qlonglong{1800}, qlonglong{0}, true, QString(), 1u})
          .type(),
      QDBusMessage::ReplyMessage);
  state = battery.Read();
  ASSERT_TRUE(state);
  EXPECT_EQ(std::tuple(state->on_battery, state->percentage, state->seconds_to_empty),
            std::tuple(true, 15.0, 1800L));

  upower.kill(), upower.waitForFinished();
  QElapsedTimer timer;
  timer.start();
  EXPECT_FALSE(battery.Read());
  EXPECT_LT(timer.elapsed(), 1000);
}

}  // namespace
}  // namespace vesk
