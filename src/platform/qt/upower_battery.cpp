#include "platform/qt/upower_battery.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace vesk::qt {
namespace {

// The Event checks must not hang on a bus that does not answer.
constexpr int kTimeoutMilliseconds = 2000;

const QString kService = QStringLiteral("org.freedesktop.UPower");

// org.freedesktop.DBus.Properties.method(arguments) on one of UPower's objects; the reply's
// first argument, or nothing when there is no answer.
std::optional<QVariant> CallProperties(const QString& path, const char* method,
                                       const QVariantList& arguments) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return std::nullopt;
  QDBusMessage call = QDBusMessage::createMethodCall(
      kService, path, QStringLiteral("org.freedesktop.DBus.Properties"),
      QString::fromLatin1(method));
  call.setArguments(arguments);
  const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMilliseconds);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    return std::nullopt;
  }
  return reply.arguments().first();
}

}  // namespace

std::optional<BatteryState> UPowerBattery::Read() {
  const std::optional<QVariant> on_battery = CallProperties(
      QStringLiteral("/org/freedesktop/UPower"), "Get", {kService, QStringLiteral("OnBattery")});
  if (!on_battery) return std::nullopt;
  BatteryState state;
  state.on_battery = qvariant_cast<QDBusVariant>(*on_battery).variant().toBool();
  const std::optional<QVariant> all =
      CallProperties(QStringLiteral("/org/freedesktop/UPower/devices/DisplayDevice"), "GetAll",
                     {QStringLiteral("org.freedesktop.UPower.Device")});
  if (!all) return state;
  const QVariantMap device = qdbus_cast<QVariantMap>(*all);
  // Without a battery present its figures mean nothing.
  if (!device.value(QStringLiteral("IsPresent")).toBool()) return state;
  state.percentage = device.value(QStringLiteral("Percentage")).toDouble();
  state.seconds_to_empty = device.value(QStringLiteral("TimeToEmpty")).toLongLong();
  return state;
}

}  // namespace vesk::qt
