#include "platform/qt/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace vesk::qt {

SingleInstanceLock::SingleInstanceLock(const QString& name) {
  QString folder;
  if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  }
  if (folder.isEmpty()) {
    // Without a login session (a board started by a service) the user's own folder in the
    // temporary directory stands in for the runtime directory.
    folder = QDir(QDir::tempPath()).filePath(QStringLiteral("vesk-runtime-%1").arg(getuid()));
    QDir().mkpath(folder);
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  }
  path_ = QDir(folder).filePath(name + QStringLiteral(".lock"));
  lock_ = std::make_unique<QLockFile>(path_);
  // Never stale by age: a station runs for days. A lock whose process is gone is still
  // recognised as stale and removed.
  lock_->setStaleLockTime(0);
}

bool SingleInstanceLock::TryLock() { return lock_->tryLock(0); }

}  // namespace vesk::qt
