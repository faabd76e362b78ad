#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace vesk::qt {

// Only one station runs per user: a lock file named after the main window class in the
// user's runtime directory. A lock left by a station that died is taken over.
class SingleInstanceLock {
 public:
  enum class Outcome {
    kTaken,
    // Another running station holds it.
    kHeld,
    // The folder does not let the lock file be made (write protection, a read-only file
    // system): nobody holds it, and nobody can.
    kFolderNotWritable,
    // Any other failure (a missing folder, a full disk…).
    kFailed,
  };

  explicit SingleInstanceLock(const QString& name = QStringLiteral("VESK_VideoCapture"));
  // The lock of a station's home folder, so no two stations ever write into one folder,
  // whatever their runtime directories.
  static std::unique_ptr<SingleInstanceLock> ForFolder(const QString& folder);
  // A lock at an exact path.
  static std::unique_ptr<SingleInstanceLock> AtFile(const QString& path);

  Outcome TryLock();
  // Why TryLock failed, in one line: the lock file and the process holding it, or why the
  // file cannot be made.
  QString RefusalText() const;
  const QString& path() const { return path_; }

 private:
  struct AtPath {};
  SingleInstanceLock(AtPath, const QString& path);
  QString path_;
  std::unique_ptr<QLockFile> lock_;
  Outcome outcome_ = Outcome::kFailed;
};

// The station's locks: one station per user, then one per home folder. A home folder that
// cannot hold a lock file (a read-only folder whose VideoDirectory is elsewhere) does not stop
// the station: the user's lock alone is kept and a warning says so.
struct StationLocks {
  std::unique_ptr<SingleInstanceLock> user;
  std::unique_ptr<SingleInstanceLock> folder;
  // Why the station must not start (one line, for standard error); empty when it may.
  QString refusal;
  // For User Messages, a whole report with its line end; empty when both locks are held.
  QString warning;
};
StationLocks TakeStationLocks(std::unique_ptr<SingleInstanceLock> user_lock,
                              const QString& home_folder);

}  // namespace vesk::qt
