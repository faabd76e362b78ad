#include "platform/qt/logind_power.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QString>
#include <QVariant>

namespace vesk::qt {
namespace {

// Start-up and the Event countdown must not hang on a bus that does not answer.
constexpr int kQueryTimeoutMilliseconds = 2000;
// Hibernation and power-off are checked by polkit before logind answers.
constexpr int kActionTimeoutMilliseconds = 5000;

constexpr const char* kApplicationName = "VESK Video Capture";

// One call to logind's manager. Blocks without running the event loop, so nothing else of
// the station runs inside it.
QDBusMessage CallLogind(const char* method, const QVariantList& arguments, int timeout) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) {
    return QDBusMessage::createError(
        QDBusError::Disconnected,
        QStringLiteral("the system bus is not available (%1)").arg(bus.lastError().message()));
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QString::fromLatin1(method));
  call.setArguments(arguments);
  return bus.call(call, QDBus::Block, timeout);
}

bool Answered(const QDBusMessage& reply, std::string* error) {
  if (reply.type() == QDBusMessage::ReplyMessage) return true;
  if (error != nullptr) {
    *error = (reply.errorName() + QStringLiteral(": ") + reply.errorMessage()).toStdString();
  }
  return false;
}

// logind answers "yes", "no", "challenge" (only after authentication) or "na".
bool LogindSaysYes(const char* method) {
  const QDBusMessage reply = CallLogind(method, {}, kQueryTimeoutMilliseconds);
  return Answered(reply, nullptr) && !reply.arguments().isEmpty() &&
         reply.arguments().first().toString() == QStringLiteral("yes");
}

class LogindSleepInhibitor final : public SleepInhibitor {
 public:
  explicit LogindSleepInhibitor(QDBusUnixFileDescriptor lock) : lock_(std::move(lock)) {}

 private:
  // Closing the last copy of the descriptor releases the lock.
  QDBusUnixFileDescriptor lock_;
};

}  // namespace

bool LogindPower::CanHibernate() { return LogindSaysYes("CanHibernate"); }

// An Event's power action runs unattended: only a plain "yes" lets it happen without asking.
bool LogindPower::MayShutDownOrHibernate() { return LogindSaysYes("CanPowerOff"); }

std::unique_ptr<SleepInhibitor> LogindPower::InhibitSleep(const std::string& why,
                                                          std::string* error) {
  const QDBusMessage reply =
      CallLogind("Inhibit",
                 {QStringLiteral("sleep:idle"), QString::fromLatin1(kApplicationName),
                  QString::fromStdString(why), QStringLiteral("block")},
                 kQueryTimeoutMilliseconds);
  if (!Answered(reply, error)) return nullptr;
  const QDBusUnixFileDescriptor lock =
      reply.arguments().isEmpty()
          ? QDBusUnixFileDescriptor()
          : qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().first());
  if (!lock.isValid()) {
    if (error != nullptr) *error = "logind answered without a lock descriptor";
    return nullptr;
  }
  return std::make_unique<LogindSleepInhibitor>(lock);
}

// interactive = false: polkit must allow it without a password, as no one is there to type it.
bool LogindPower::Hibernate(std::string* error) {
  return Answered(CallLogind("Hibernate", {false}, kActionTimeoutMilliseconds), error);
}

bool LogindPower::PowerOff(std::string* error) {
  return Answered(CallLogind("PowerOff", {false}, kActionTimeoutMilliseconds), error);
}

}  // namespace vesk::qt
