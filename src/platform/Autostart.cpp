#include "platform/Autostart.h"

#include "platform/SaveFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// An argument of an Exec key: quoted, with the characters the desktop entry
// format reserves inside quotes escaped, and "%" doubled so that it is not
// read as a field code.
QString execArgument(const QString &argument) {
  QString quoted;
  for (const QChar c : argument) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
      quoted += u'\\';
    quoted += c;
  }
  quoted.replace(u"%"_s, u"%%"_s);
  // The entry's own escape rules then apply to the whole value.
  quoted.replace(u"\\"_s, u"\\\\"_s);
  return u'"' + quoted + u'"';
}

} // namespace

QString TAutostart::entryFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         u"/autostart/vornix.desktop";
}

bool TAutostart::enabled() {
  return QFileInfo::exists(entryFile());
}

QString TAutostart::entryText(const QString &executable) {
  return u"[Desktop Entry]\n"
         u"Type=Application\n"
         u"Name=Vornix\n"
         u"Comment=New jobs from freelance boards, in the tray\n"
         u"Comment[ru]=Новые проекты с бирж фриланса в трее\n"
         u"Exec="_s +
         execArgument(executable) +
         u" --hidden\n"
         u"Icon=vornix\n"
         u"Terminal=false\n"
         u"X-GNOME-Autostart-enabled=true\n"_s;
}

bool TAutostart::setEnabled(bool on) {
  const QString file = entryFile();
  if (!on)
    return !QFileInfo::exists(file) || QFile::remove(file);
  if (!QDir().mkpath(QFileInfo(file).path()))
    return false;
  QSaveFile entry(file);
  const QByteArray bytes = entryText(QCoreApplication::applicationFilePath()).toUtf8();
  return entry.open(QIODevice::WriteOnly) && entry.write(bytes) == bytes.size() &&
         CommitSaveFile(entry, "autostart", bytes);
}
