#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

// A small tmpfs mounted over a folder for one test, so that the test can fill
// it. Mounting needs root, and a container may refuse it even then: mount()
// then says why, and the test must skip, never pass.
class TSmallDisk {
public:
  TSmallDisk() = default;
  ~TSmallDisk() { unmount(); }
  TSmallDisk(const TSmallDisk &) = delete;
  TSmallDisk &operator=(const TSmallDisk &) = delete;

  // `size` as mount's size= option, such as "256k".
  bool mount(const QString &folder, const QString &size, QString *why) {
    QProcess mount;
    mount.start(QStringLiteral("mount"),
                {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                 QStringLiteral("size=") + size, QStringLiteral("tmpfs"), folder});
    const bool mounted = mount.waitForFinished(10000) &&
                         mount.exitStatus() == QProcess::NormalExit && mount.exitCode() == 0;
    if (!mounted && why)
      *why = mount.error() == QProcess::FailedToStart
                 ? QStringLiteral("the mount command cannot be run")
                 : QString::fromLocal8Bit(mount.readAllStandardError()).trimmed();
    FFolder = mounted ? folder : QString();
    return mounted;
  }

  // Lazily, so that a file a failed test left open cannot keep it mounted.
  void unmount() {
    if (!FFolder.isEmpty())
      QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), FFolder});
    FFolder.clear();
  }

  // Takes every free block with one file; true when not even one more byte
  // fits in a new file afterwards.
  bool fill() const {
    QFile filler(QDir(FFolder).filePath(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
      return false;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    QFile probe(QDir(FFolder).filePath(QStringLiteral("probe")));
    const bool full =
        probe.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && probe.write("x") != 1;
    probe.remove();
    return full;
  }

private:
  QString FFolder;
};
