#include "platform/qt/logind_power.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QString>

namespace vesk::qt {
namespace {

// Start-up must not hang on a bus that does not answer.
constexpr int kLogindTimeoutMilliseconds = 2000;

// logind answers "yes", "no", "challenge" (only after authentication) or "na".
bool LogindSaysYes(const char* method) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return false;
  QDBusInterface manager(QStringLiteral("org.freedesktop.login1"),
                         QStringLiteral("/org/freedesktop/login1"),
                         QStringLiteral("org.freedesktop.login1.Manager"), bus);
  if (!manager.isValid()) return false;
  manager.setTimeout(kLogindTimeoutMilliseconds);
  const QDBusReply<QString> reply = manager.call(QString::fromLatin1(method));
  return reply.isValid() && reply.value() == QStringLiteral("yes");
}

}  // namespace

bool LogindPower::CanHibernate() { return LogindSaysYes("CanHibernate"); }

// An Event's power action runs unattended: only a plain "yes" lets it happen without asking.
bool LogindPower::MayShutDownOrHibernate() { return LogindSaysYes("CanPowerOff"); }

}  // namespace vesk::qt
