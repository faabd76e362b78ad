#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace vesk::qt {

// Only one station runs per user: a lock file named after the main window class in the
// user's runtime directory. A lock left by a station that died is taken over.
class SingleInstanceLock {
 public:
  explicit SingleInstanceLock(const QString& name = QStringLiteral("VESK_VideoCapture"));
  // False when another running station holds the lock.
  bool TryLock();
  const QString& path() const { return path_; }

 private:
  QString path_;
  std::unique_ptr<QLockFile> lock_;
};

}  // namespace vesk::qt
