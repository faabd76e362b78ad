#include "platform/qt/single_instance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <thread>

#include "support/temp_dir.h"

namespace vesk {
namespace {

using qt::SingleInstanceLock;
using Outcome = SingleInstanceLock::Outcome;

// A folder in which no file can be made, even by root (who passes over permissions): a
// write-protected temporary folder, or else sysfs. Empty when there is none.
QString FolderThatRefusesFiles(const QTemporaryDir& temporary) {
  const QString read_only = temporary.filePath(QStringLiteral("read-only"));
  QDir().mkpath(read_only);
  ::chmod(QFile::encodeName(read_only).constData(), 0555);
  for (const QString& folder : {read_only, QStringLiteral("/sys")}) {
    const QByteArray probe = QFile::encodeName(folder + QStringLiteral("/.vesk-probe"));
    const int fd = ::open(probe.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EACCES || errno == EROFS)) return folder;
    if (fd >= 0) {
      ::close(fd);
      ::unlink(probe.constData());
    }
  }
  return {};
}

// A second station is refused and told which process holds the lock, also while the holder
// has made the lock file but not yet written itself into it.
TEST(SingleInstanceLockTest, RefusalNamesTheHolderEvenWhileItIsStillWritingTheLock) {
  QTemporaryDir temporary;
  const QString path = temporary.filePath(QStringLiteral("held.lock"));
  auto first = SingleInstanceLock::AtFile(temporary.filePath(QStringLiteral("model.lock")));
  ASSERT_EQ(first->TryLock(), Outcome::kTaken);
  const std::string holder = testing::ReadFileBytes(first->path().toStdString());

  ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly));  // made, still empty
  auto second = SingleInstanceLock::AtFile(path);
  ASSERT_EQ(second->TryLock(), Outcome::kHeld);
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
    testing::WriteFileBytes(path.toStdString(), holder);
  });
  const QString text = second->RefusalText();
  writer.join();
  EXPECT_EQ(text, QStringLiteral("another station holds %1 (process %2 on ")
                          .arg(path)
                          .arg(QCoreApplication::applicationPid()) +
                      QSysInfo::machineHostName() + QLatin1Char(')'));
}

// A home folder that cannot hold its lock lets the station start on the user's lock alone,
// with a warning that says why.
TEST(SingleInstanceLockTest, ReadOnlyHomeFolderStartsOnTheUserLockAlone) {
  QTemporaryDir temporary;
  const QString read_only = FolderThatRefusesFiles(temporary);
  if (read_only.isEmpty()) GTEST_SKIP() << "no folder here refuses new files";
  const QString user_path = temporary.filePath(QStringLiteral("user.lock"));

  qt::StationLocks locks = qt::TakeStationLocks(SingleInstanceLock::AtFile(user_path), read_only);
  EXPECT_EQ(locks.refusal, QString());
  const auto warning = [&](const QString& reason) {
    return QStringLiteral(
               "WARNING: cannot create the lock %1/.VESK_VideoCapture.lock: %2; the "
               "station goes on with its lock of one station per user alone (%3), "
               "which does not keep out a station started in this folder by a "
               "service or cron\r\n")
        .arg(read_only, reason, user_path);
  };
  EXPECT_TRUE(locks.warning == warning(QStringLiteral("Permission denied")) ||
              locks.warning == warning(QStringLiteral("Read-only file system")))
      << locks.warning.toStdString();
  // The user's lock is really held.
  EXPECT_EQ(SingleInstanceLock::AtFile(user_path)->TryLock(), Outcome::kHeld);

  // A missing home folder is no read-only one (a held one: HeadlessStationTest.ASecondCopy*).
  locks.user.reset();
  const QString missing = temporary.filePath(QStringLiteral("missing"));
  locks = qt::TakeStationLocks(SingleInstanceLock::AtFile(user_path), missing);
  EXPECT_EQ(locks.refusal, QStringLiteral("cannot create the lock %1/.VESK_VideoCapture.lock: "
                                          "No such file or directory")
                               .arg(missing));
}

}  // namespace
}  // namespace vesk
