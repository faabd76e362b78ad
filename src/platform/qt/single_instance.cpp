#include "platform/qt/single_instance.h"

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>
#include <cstring>

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

// Why no file can be made beside path, as the system says it. QLockFile keeps the reason to
// itself, so a uniquely named file is tried (and removed at once) to learn it.
QString CreateFailureReason(const QString& path) {
  QByteArray probe = QFile::encodeName(path) + ".XXXXXX";
  const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
  if (fd < 0) return QString::fromLocal8Bit(std::strerror(errno));
  ::close(fd);
  ::unlink(probe.constData());
  return QStringLiteral("it could not be made");
}

// A station that is taking the lock creates the file first and writes its process into it a
// moment later; so long is waited for that at most.
constexpr int kHolderReadAttempts = 50;
constexpr unsigned long kHolderReadPauseMilliseconds = 2;

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
  return AtFile(QDir(folder).filePath(QStringLiteral(".VESK_VideoCapture.lock")));
}

std::unique_ptr<SingleInstanceLock> SingleInstanceLock::AtFile(const QString& path) {
  return std::unique_ptr<SingleInstanceLock>(new SingleInstanceLock(AtPath{}, path));
}

SingleInstanceLock::Outcome SingleInstanceLock::TryLock() {
  if (lock_->tryLock(0)) {
    outcome_ = Outcome::kTaken;
  } else {
    switch (lock_->error()) {
      case QLockFile::LockFailedError:
        outcome_ = Outcome::kHeld;
        break;
      case QLockFile::PermissionError:
        outcome_ = Outcome::kFolderNotWritable;
        break;
      default:
        outcome_ = Outcome::kFailed;
        break;
    }
  }
  return outcome_;
}

QString SingleInstanceLock::RefusalText() const {
  if (outcome_ == Outcome::kHeld) {
    qint64 pid = 0;
    QString host;
    QString application;
    for (int attempt = 0; attempt < kHolderReadAttempts; ++attempt) {
      if (attempt > 0) QThread::msleep(kHolderReadPauseMilliseconds);
      if (lock_->getLockInfo(&pid, &host, &application)) {
        return QStringLiteral("another station holds %1 (process %2 on %3)")
            .arg(path_)
            .arg(pid)
            .arg(host);
      }
    }
    return QStringLiteral("another station holds %1 (its process could not be read)").arg(path_);
  }
  if (outcome_ == Outcome::kTaken) return {};
  return QStringLiteral("cannot create the lock %1: %2").arg(path_, CreateFailureReason(path_));
}

StationLocks TakeStationLocks(std::unique_ptr<SingleInstanceLock> user_lock,
                              const QString& home_folder) {
  StationLocks locks;
  locks.user = std::move(user_lock);
  if (locks.user->TryLock() != SingleInstanceLock::Outcome::kTaken) {
    locks.refusal = locks.user->RefusalText();
    return locks;
  }
  locks.folder = SingleInstanceLock::ForFolder(home_folder);
  switch (locks.folder->TryLock()) {
    case SingleInstanceLock::Outcome::kTaken:
      break;
    case SingleInstanceLock::Outcome::kFolderNotWritable:
      // A station that refuses to start records nothing, and the Events of a read-only
      // folder can still be recorded into a writable VideoDirectory.
      locks.warning = QStringLiteral(
                          "WARNING: %1; the station goes on with its lock of one station per "
                          "user alone (%2), which does not keep out a station started in this "
                          "folder by a service or cron\r\n")
                          .arg(locks.folder->RefusalText(), locks.user->path());
      locks.folder.reset();
      break;
    default:
      locks.refusal = locks.folder->RefusalText();
      break;
  }
  return locks;
}

}  // namespace vesk::qt
