#include "platform/qt/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace vesk::qt {

namespace {

// The user's runtime directory; without a login session (a board started by a service) the
// user's own folder in the temporary directory stands in for it.
QString RuntimeFolder() {
  if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!folder.isEmpty()) return folder;
  }
  const QString folder =
      QDir(QDir::tempPath()).filePath(QStringLiteral("vesk-runtime-%1").arg(getuid()));
  QDir().mkpath(folder);
  QFile::setPermissions(folder,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  return folder;
}

}  // namespace

SingleInstanceLock::SingleInstanceLock(const QString& name)
    : SingleInstanceLock(AtPath{}, QDir(RuntimeFolder()).filePath(name + QStringLiteral(".lock"))) {
}

SingleInstanceLock::SingleInstanceLock(AtPath, const QString& path)
    : path_(path), lock_(std::make_unique<QLockFile>(path)) {
  // Never stale by age: a station runs for days. A lock whose process is gone is still
  // recognised as stale and removed.
  lock_->setStaleLockTime(0);
}

std::unique_ptr<SingleInstanceLock> SingleInstanceLock::ForFolder(const QString& folder) {
  return std::unique_ptr<SingleInstanceLock>(new SingleInstanceLock(
      AtPath{}, QDir(folder).filePath(QStringLiteral(".VESK_VideoCapture.lock"))));
}

QString SingleInstanceLock::RefusalText() const {
  qint64 pid = 0;
  QString host;
  QString application;
  if (lock_->getLockInfo(&pid, &host, &application)) {
    return QStringLiteral("another station holds %1 (process %2 on %3)")
        .arg(path_)
        .arg(pid)
        .arg(host);
  }
  return QStringLiteral("cannot take the lock %1").arg(path_);
}

bool SingleInstanceLock::TryLock() { return lock_->tryLock(0); }

}  // namespace vesk::qt
