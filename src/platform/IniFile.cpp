#include "platform/IniFile.h"

#include "platform/Codepage.h"
#include "platform/SaveFile.h"

#include <QFile>
#include <QList>
#include <QSaveFile>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

enum class TLineKind { Other, Section, Key };

// One line of the file. The bytes are kept as read so that a rewrite leaves
// every line it does not touch exactly as it was, line end included.
struct TLine {
  QByteArray body; // without the line end
  QByteArray end;  // "", "\n" or "\r\n"
  TLineKind kind = TLineKind::Other;
  QString name; // section name or key
  QString value;
};

using TLines = QList<TLine>;

const QByteArray kCrLf = QByteArrayLiteral("\r\n");

// Windows trims ASCII blanks only; a no-break space is part of the value.
bool isBlank(QChar c) {
  return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\r';
}

QStringView trimBlanks(QStringView text) {
  while (!text.isEmpty() && isBlank(text.front()))
    text = text.sliced(1);
  while (!text.isEmpty() && isBlank(text.back()))
    text.chop(1);
  return text;
}

QStringView unquote(QStringView value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
      value.back() == value.front())
    return value.sliced(1, value.size() - 2);
  return value;
}

void classify(TLine &line) {
  const QString decoded = TCodepage::fromCp1251(line.body);
  const QStringView text = trimBlanks(decoded);
  if (text.startsWith(u';'))
    return;
  const qsizetype close = text.indexOf(u']');
  if (text.startsWith(u'[') && close > 0) {
    line.kind = TLineKind::Section;
    line.name = trimBlanks(text.sliced(1, close - 1)).toString();
    return;
  }
  const qsizetype equals = text.indexOf(u'=');
  if (equals <= 0)
    return;
  line.name = trimBlanks(text.first(equals)).toString();
  line.value = unquote(trimBlanks(text.sliced(equals + 1))).toString();
  if (!line.name.isEmpty())
    line.kind = TLineKind::Key;
}

TLines parse(const QByteArray &content) {
  TLines lines;
  qsizetype start = 0;
  while (start < content.size()) {
    const qsizetype lf = content.indexOf('\n', start);
    const qsizetype stop = lf < 0 ? content.size() : lf;
    const bool crlf = lf > start && content[lf - 1] == '\r';
    TLine line;
    line.body = content.sliced(start, stop - start - (crlf ? 1 : 0));
    line.end = lf < 0 ? QByteArray() : crlf ? kCrLf : QByteArrayLiteral("\n");
    classify(line);
    lines.append(std::move(line));
    start = stop + 1;
  }
  return lines;
}

QByteArray join(const TLines &lines) {
  QByteArray content;
  for (const TLine &line : lines)
    content += line.body + line.end;
  return content;
}

// The content, empty for a missing file; nothing when the file exists but
// cannot be read, as rewriting it then would lose what it holds.
std::optional<QByteArray> readContent(const QString &fileName) {
  QFile file(fileName);
  if (!file.exists())
    return QByteArray();
  if (!file.open(QIODevice::ReadOnly))
    return std::nullopt;
  return file.readAll();
}

bool sameName(const QString &a, const QString &b) {
  return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

qsizetype findSection(const TLines &lines, const QString &section) {
  for (qsizetype i = 0; i < lines.size(); ++i)
    if (lines[i].kind == TLineKind::Section && sameName(lines[i].name, section))
      return i;
  return -1;
}

// The index of the next section header after `header`, or the line count.
qsizetype sectionEnd(const TLines &lines, qsizetype header) {
  for (qsizetype i = header + 1; i < lines.size(); ++i)
    if (lines[i].kind == TLineKind::Section)
      return i;
  return lines.size();
}

qsizetype findKey(const TLines &lines, qsizetype header, const QString &key) {
  const qsizetype end = sectionEnd(lines, header);
  for (qsizetype i = header + 1; i < end; ++i)
    if (lines[i].kind == TLineKind::Key && sameName(lines[i].name, key))
      return i;
  return -1;
}

const TLine *findKeyLine(const TLines &lines, const QString &section, const QString &key) {
  const qsizetype header = findSection(lines, section);
  const qsizetype index = header < 0 ? -1 : findKey(lines, header, key);
  return index < 0 ? nullptr : &lines[index];
}

void appendName(QStringList &names, const QString &name) {
  for (const QString &known : std::as_const(names))
    if (sameName(known, name))
      return;
  names.append(name);
}

TLine keyLine(const QString &key, const QString &value) {
  TLine line;
  line.body = TCodepage::toCp1251(key) + '=' + TCodepage::toCp1251(value);
  line.end = kCrLf;
  classify(line); // read back as a parse of the file would, quotes and all
  return line;
}

// The key goes after the section's last non-blank line, so blank lines that
// separate it from the next section stay where they are.
void insertKey(TLines &lines, qsizetype header, const QString &key, const QString &value) {
  qsizetype last = sectionEnd(lines, header) - 1;
  while (last > header && trimBlanks(TCodepage::fromCp1251(lines[last].body)).isEmpty())
    --last;
  if (lines[last].end.isEmpty())
    lines[last].end = kCrLf;
  lines.insert(last + 1, keyLine(key, value));
}

void appendSection(TLines &lines, const QString &section, const QString &key,
                   const QString &value) {
  if (!lines.isEmpty() && lines.back().end.isEmpty())
    lines.back().end = kCrLf;
  TLine header;
  header.body = '[' + TCodepage::toCp1251(section) + ']';
  header.end = kCrLf;
  classify(header);
  lines.append(header);
  lines.append(keyLine(key, value));
}

// The key keeps the spelling it has in the file; blanks around it go, as
// Windows writes the line anew.
void replaceValue(TLine &line, const QString &value) {
  const QString decoded = TCodepage::fromCp1251(line.body);
  const QStringView key = trimBlanks(QStringView(decoded).first(decoded.indexOf(u'=')));
  line.body = TCodepage::toCp1251(key) + '=' + TCodepage::toCp1251(value);
  classify(line);
}

} // namespace

// The file as read at BeginUpdate and its lines as changed since: kept parsed,
// so that a catalogue of thousands of keys costs one parse and one join, not
// one of each per key.
struct TIniFile::TPending {
  QByteArray original;
  TLines lines;
};

void TIniFile::TPendingDeleter::operator()(TPending *pending) const {
  delete pending;
}

TIniFile::TIniFile(const QString &fileName) : FFileName(fileName) {}

// The file's bytes as the next write sees them. `readable` is false when the
// file exists but cannot be read.
QByteArray TIniFile::Content(bool *readable) const {
  const std::optional<QByteArray> content = readContent(FFileName);
  if (readable)
    *readable = content.has_value();
  return content.value_or(QByteArray());
}

// Shows `visit` the lines as the next read sees them: pending changes first,
// else the disk.
template <typename Visit> auto TIniFile::Read(Visit visit) const {
  return FPending ? visit(std::as_const(FPending->lines)) : visit(parse(Content(nullptr)));
}

// Applies one edit to the lines; a change is stored at once, or kept for
// EndUpdate while an update is open. `edit` returns false when it found
// nothing to change.
template <typename Edit> bool TIniFile::Change(Edit edit) {
  FError.clear();
  if (FPending) {
    edit(FPending->lines);
    return true;
  }
  bool readable = true;
  const QByteArray content = Content(&readable);
  if (!readable)
    return Fail();
  TLines lines = parse(content);
  const QByteArray updated = edit(lines) ? join(lines) : content;
  if (updated == content)
    return true;
  return Store(updated);
}

bool TIniFile::BeginUpdate() {
  bool readable = true;
  const QByteArray content = Content(&readable);
  if (!readable)
    return Fail();
  FPending.reset(new TPending{content, parse(content)});
  return true;
}

bool TIniFile::EndUpdate() {
  if (!FPending)
    return true;
  const std::unique_ptr<TPending, TPendingDeleter> pending = std::move(FPending);
  const QByteArray content = join(pending->lines);
  if (content == pending->original)
    return true;
  return Store(content);
}

QString TIniFile::ReadString(const QString &section, const QString &key,
                             const QString &fallback) const {
  return Read([&](const TLines &lines) {
    const TLine *line = findKeyLine(lines, section, key);
    return line ? line->value : fallback;
  });
}

bool TIniFile::SectionExists(const QString &section) const {
  return Read([&](const TLines &lines) { return findSection(lines, section) >= 0; });
}

bool TIniFile::SectionHasKeys(const QString &section) const {
  return !ReadSection(section).isEmpty();
}

QStringList TIniFile::ReadSections() const {
  return Read([](const TLines &lines) {
    QStringList names;
    for (const TLine &line : lines)
      if (line.kind == TLineKind::Section)
        appendName(names, line.name);
    return names;
  });
}

QStringList TIniFile::ReadSection(const QString &section) const {
  return Read([&](const TLines &lines) {
    const qsizetype header = findSection(lines, section);
    QStringList keys;
    const qsizetype end = header < 0 ? header : sectionEnd(lines, header);
    for (qsizetype i = header + 1; i < end; ++i)
      if (lines[i].kind == TLineKind::Key)
        appendName(keys, lines[i].name);
    return keys;
  });
}

bool TIniFile::WriteString(const QString &section, const QString &key, const QString &value) {
  return Change([&](TLines &lines) {
    const qsizetype header = findSection(lines, section);
    const qsizetype index = header < 0 ? -1 : findKey(lines, header, key);
    if (header < 0)
      appendSection(lines, section, key, value);
    else if (index < 0)
      insertKey(lines, header, key, value);
    else
      replaceValue(lines[index], value);
    return true;
  });
}

bool TIniFile::EraseSection(const QString &section) {
  return Change([&](TLines &lines) {
    const qsizetype header = findSection(lines, section);
    if (header < 0)
      return false;
    lines.remove(header, sectionEnd(lines, header) - header);
    return true;
  });
}

bool TIniFile::DeleteKey(const QString &section, const QString &key) {
  return Change([&](TLines &lines) {
    const qsizetype header = findSection(lines, section);
    const qsizetype index = header < 0 ? -1 : findKey(lines, header, key);
    if (index < 0)
      return false;
    lines.remove(index);
    return true;
  });
}

bool TIniFile::Store(const QByteArray &content) {
  // QSaveFile refuses an existing read-only file even though its rename
  // would get past the flag, which matches Windows.
  QSaveFile file(FFileName);
  if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
      !CommitSaveFile(file, "ini", content))
    return Fail();
  FError.clear();
  return true;
}

bool TIniFile::Fail() {
  FError = u"Unable to write to "_s + FFileName;
  return false;
}
