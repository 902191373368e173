#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>

// A small tmpfs mounted over a folder, for a test to fill. Mounting needs root,
// and a container may refuse it even then: mount() says why, and the test must
// skip, never pass.
class TSmallDisk {
public:
  TSmallDisk() = default;
  Q_DISABLE_COPY_MOVE(TSmallDisk)
  // Lazily, so that a file a failed test left open cannot keep it mounted.
  ~TSmallDisk() {
    if (!FFolder.isEmpty())
      QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), FFolder});
  }

  // `size` as mount's size= option, such as "256k".
  bool mount(const QString &folder, const QString &size, QString *why) {
    QProcess mount;
    mount.start(QStringLiteral("mount"),
                {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                 QStringLiteral("size=") + size, QStringLiteral("tmpfs"), folder});
    if (mount.waitForFinished(10000) && mount.exitStatus() == QProcess::NormalExit &&
        mount.exitCode() == 0)
      FFolder = folder;
    else
      *why = mount.error() == QProcess::FailedToStart
                 ? QStringLiteral("the mount command cannot be run")
                 : QString::fromLocal8Bit(mount.readAllStandardError()).trimmed();
    return !FFolder.isEmpty();
  }

  // Takes every free block; true when not one more byte fits in a new file.
  bool fill() const {
    QFile filler(QDir(FFolder).filePath(QStringLiteral("filler")));
    QFile probe(QDir(FFolder).filePath(QStringLiteral("probe")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
      return false;
    while (filler.write(QByteArray(4096, 'f')) == 4096) {
    }
    const bool full =
        probe.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && probe.write("x") != 1;
    probe.remove();
    return full;
  }

private:
  QString FFolder;
};
