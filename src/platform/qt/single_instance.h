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
  // The lock of a station's home folder, so no two stations ever write into one folder,
  // whatever their runtime directories.
  static std::unique_ptr<SingleInstanceLock> ForFolder(const QString& folder);
  // False when another running station holds the lock.
  bool TryLock();
  // Why TryLock failed, in one line: the lock file and the process holding it.
  QString RefusalText() const;
  const QString& path() const { return path_; }

 private:
  struct AtPath {};
  SingleInstanceLock(AtPath, const QString& path);
  QString path_;
  std::unique_ptr<QLockFile> lock_;
};

}  // namespace vesk::qt
