#include "platform/qt/single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace vesk::qt {

SingleInstanceLock::SingleInstanceLock(const QString& name) {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  QDir().mkpath(folder);
  path_ = QDir(folder).filePath(name + QStringLiteral(".lock"));
  lock_ = std::make_unique<QLockFile>(path_);
  // Never stale by age: a station runs for days. A lock whose process is gone is still
  // recognised as stale and removed.
  lock_->setStaleLockTime(0);
}

bool SingleInstanceLock::TryLock() { return lock_->tryLock(0); }

}  // namespace vesk::qt
