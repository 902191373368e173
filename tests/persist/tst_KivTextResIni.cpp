#include "persist/ComponentProperty.h"
#include "persist/Components.h"
#include "persist/KivTextResIni.h"
#include "persist/PropertyText.h"
#include "persist/StoredValue.h"
#include "platform/Codepage.h"
#include "platform/IniFile.h"
#include "support/GoldenFile.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

class TForm1 : public QWidget {
  Q_OBJECT
public:
  using QWidget::QWidget;
};

// A label of our own: its Caption comes first, and the rest are kinds to convert.
class TLinkLabel : public QLabel {
  Q_OBJECT
  Q_PROPERTY(QString Caption MEMBER FCaption)
  Q_PROPERTY(double Ratio MEMBER FRatio)
  Q_PROPERTY(QChar Mark MEMBER FMark)
  Q_PROPERTY(QObject *Buddy MEMBER FBuddy)
public:
  using QLabel::QLabel;
  QString FCaption = u"link"_s;
  double FRatio = 2.5;
  QChar FMark = u'Я';
  QObject *FBuddy = nullptr;
};

template <typename T> T *named(T *object, const QString &name) {
  object->setObjectName(name);
  return object;
}

// The main window's layout in small: hidden labels on the tab strip, the
// filter bar, a group box, a panel owning two run-time labels (one unnamed), a
// label deep in an unnamed container, a pop-up menu, a run-time label of the window.
struct TWindow {
  TForm1 form;
  TKivTextResIni *Ini;
  const QStringList Labels = {u"lft"_s, u"lfl"_s, u"lfw"_s, u"lfh"_s, u"lti"_s, u"lzenv"_s};

  explicit TWindow(const QString &fileName) {
    form.setObjectName(u"Form1"_s);
    auto *tabs = named(new QFrame(&form), u"KivTabSet1"_s);
    for (const QString &name : Labels)
      named(new QLabel(u"0"_s, tabs), name);
    auto *panel3 = named(new QFrame(&form), u"Panel3"_s);
    named(new QLineEdit(panel3), u"EditFilter"_s);
    named(new QCheckBox(u"Фильтр"_s, panel3), u"ChBFiltered"_s);
    named(new QPushButton(u"Найти"_s, panel3), u"BtnFind"_s);
    named(new QComboBox(panel3), u"CBTimeOut"_s)->addItems({u"2"_s, u"1"_s});
    named(new QGroupBox(u"Сайты"_s, &form), u"GroupBox1"_s);
    auto *panel2 = named(new QFrame(&form), u"Panel2"_s);
    SetComponentOwner(new QLabel(panel2), panel2);
    SetComponentOwner(named(new TLinkLabel(panel2), u"SiteTitle"_s), panel2);
    panel2->findChild<TLinkLabel *>()->setProperty("Extra", 7); // a dynamic property
    named(new QLabel(new QWidget(&form)), u"Deep"_s);
    named(named(new QMenu(&form), u"PopupMenu1"_s)->addAction(u"Показать"_s), u"N9"_s)
        ->setCheckable(true);
    Ini = named(new TKivTextResIni(&form), u"KivTextResIni1"_s);
    Ini->ListPropertyControl = {u"Caption"_s, u"Text"_s, u"Checked"_s};
    Ini->setFileName(fileName);
    SetComponentOwner(new QLabel(&form), &form);
  }
  bool run(TActionText action) {
    Ini->ActionText = action;
    return Ini->Execute();
  }
  // Every value as a pass without filters writes it, "key=value" a line.
  QStringList state() {
    QTemporaryDir dir;
    TKivTextResIni all(&form);
    all.ListPropertyControl = Ini->ListPropertyControl;
    all.setFileName(dir.filePath(u"vx.ini"_s));
    all.ActionText = TActionText::atWrite;
    all.Execute();
    const TIniFile ini(all.FileName());
    QStringList lines;
    for (const QString &key : ini.ReadSection(u"Form1"_s))
      lines << key + u'=' + ini.ReadString(u"Form1"_s, key);
    return lines;
  }
};

class TestKivTextResIni : public QObject {
  Q_OBJECT
  QTemporaryDir FDir;
  const QString FFile = FDir.filePath(u"vx.ini"_s);

private Q_SLOTS:
  void init() { QVERIFY(QDir(FDir.path()).removeRecursively() && QDir().mkpath(FDir.path())); }

  void scripts_data() { addGoldenRows(u"formstate/scripts"_s); }
  // A step a line ("#" starts a comment) on a fresh window; the dump repeats
  // each step with what it printed and the events of the passes it ran.
  void scripts() {
    QFETCH(QString, input);
    static const QStringList kinds =
        u"Integer Char WideChar Set Enumeration Boolean Float Text Class Other"_s.split(u' ');
    TWindow window(FFile);
    TKivTextResIni &ini = *window.Ini;
    QString dump;
    QByteArray file;
    const auto print = [&](const QString &text) { dump += text + u'\n'; };
    const auto run = [&](TActionText action) {
      print(u"= "_s + QVariant(window.run(action)).toString());
    };
    const auto object = [&](const QString &name) {
      return name == u"Form1" ? &window.form : window.form.findChild<QObject *>(name);
    };
    ini.OnBeforeExecute = [&](TKivTextResIni *) { print(u"before"_s); };
    ini.OnAfterExecute = [&](TKivTextResIni *, bool ok) {
      print(u"after "_s + QVariant(ok).toString());
    };
    const QHash<QString, std::function<void(const QStringList &)>> steps{
        {u"classes"_s, [&](auto &w) { ini.ListClassControl = w; }},
        {u"include"_s, [&](auto &w) { ini.ListIncludeName = w; }},
        {u"skip"_s, [&](auto &w) { ini.ListSkipName = w; }},
        {u"properties"_s, [&](auto &w) { ini.ListPropertyControl = w; }},
        {u"decline"_s, // <name>: turned down by OnBeforeRead and OnBeforeWrite
         [&](auto &w) {
           ini.OnBeforeRead =
               ini.OnBeforeWrite = [=](auto &name, bool &can) { can = name != w[0]; };
         }},
        {u"crypt"_s, [&](auto &) { ini.Crypt = true; }},
        {u"noform"_s, [&](auto &) { ini.FormControl = nullptr; }},
        {u"set"_s, // <object> <Qt property> <value>
         [&](auto &w) { object(w[0])->setProperty(qPrintable(w[1]), w[2]); }},
        // <object> <property> [text]: its kind and text, then what storing the text gives
        {u"property"_s,
         [&](auto &w) {
           const auto property = TComponentProperty::Find(object(w[0]), w[1]);
           const auto text = [&] { return PropertyToText(property->Kind(), property->Read()); };
           if (!property)
             return print(u"none"_s);
           print(kinds[int(property->Kind())] + u':' + text());
           const auto value = PropertyFromText(property->Kind(), w.value(2));
           if (w.size() > 2)
             print(!value ? u"refused"_s : property->Write(*value) ? text() : u"not written"_s);
         }},
        {u"empty"_s, [&](auto &) { put(FFile, file = QByteArray()); }},
        {u"line"_s, // added to the INI file, which "empty" empties
         [&](auto &w) { put(FFile, file += TCodepage::toCp1251(w.join(u' ')) + "\r\n"); }},
        {u"fill"_s, // every key of a pass without filters, holding the value given
         [&](auto &w) {
           file = "[Form1]\r\n";
           for (const QString &line : window.state())
             file += line.section(u'=', 0, 0).toLatin1() + '=' + w.value(0).toLatin1() + "\r\n";
           put(FFile, file);
         }},
        {u"block"_s, // a folder where the side file of that naming text goes
         [&](auto &w) { QDir(FDir.path()).mkdir(SideFileName(w[0]) + u".txt"_s); }},
        {u"nested"_s, // OnUseReadVal starts a write pass
         [&](auto &) {
           ini.OnUseReadVal = [&](QObject *, auto &, auto &, bool &) { run(TActionText::atWrite); };
         }},
        {u"read"_s, [&](auto &) { run(TActionText::atRead); }},
        {u"write"_s, [&](auto &) { run(TActionText::atWrite); }},
        {u"file"_s,
         [&](auto &) {
           print(TCodepage::fromCp1251(contentOf(FFile)).replace(u"\r\n"_s, u"\n"_s));
         }},
        {u"files"_s, [&](auto &) { print(QDir(FDir.path()).entryList(QDir::Files).join(u' ')); }},
        {u"state"_s, [&](auto &) { print(window.state().join(u'\n')); }},
        {u"box"_s, // the message shown, then closed
         [&](auto &) {
           auto *box = window.form.findChild<QMessageBox *>();
           QVERIFY(box && box->isVisible());
           print(box->text());
           box->close();
           QTRY_VERIFY(!window.form.findChild<QMessageBox *>());
         }},
    };
    for (const QString &line : ScriptLines(input)) {
      QStringList words = line.split(u' ', Qt::SkipEmptyParts);
      print(u"> "_s + line);
      const auto step = steps.value(words.takeFirst());
      QVERIFY2(step, qPrintable(line));
      step(words);
    }
    compareWithGolden(input, dump);
  }

  // A file as the Windows program writes it reads into the window. Written with
  // Crypt elsewhere, one digits-only side file a key (though the lf labels'
  // numbers coincide), it reads into another window, which, written plain over
  // the first file, leaves it unchanged to the byte.
  void windowsFileRoundTrip() {
    const QByteArray bytes = contentOf(QStringLiteral(VORNIX_TEST_DATA "/formstate/windows.ini"));
    put(FFile, bytes);
    const QDir crypt(FDir.filePath(u"crypt"_s));
    QVERIFY(crypt.mkpath(u"."_s));
    TWindow window(FFile), copy(crypt.filePath(u"vx.ini"_s));
    for (TWindow *w : {&window, &copy})
      w->Ini->ListIncludeName = w->Labels + QStringList{u"EditFilter"_s, u"ChBFiltered"_s};
    QVERIFY(window.run(TActionText::atRead));
    QCOMPARE(window.form.findChild<QLineEdit *>()->text(), u"php разработчик"_s);
    window.form.setWindowTitle(u"  Vornix (интервал обновлений 30 мин.)"_s);
    window.Ini->setFileName(copy.Ini->FileName());
    for (TWindow *w : {&window, &copy})
      w->Ini->Crypt = w->Ini->UseForForms = true;
    QVERIFY(window.run(TActionText::atWrite));
    const QStringList sideFiles = crypt.entryList({u"*.txt"_s});
    QCOMPARE(sideFiles.size(), 11);
    for (const QString &name : sideFiles)
      QVERIFY(QString::fromLatin1(contentOf(crypt.filePath(name)))
                  .contains(QRegularExpression(u"^(\\d{3})*\r\n$"_s)));
    QVERIFY(copy.run(TActionText::atRead));
    QCOMPARE(copy.form.windowTitle(), window.form.windowTitle());
    copy.Ini->setFileName(FFile);
    copy.Ini->Crypt = copy.Ini->UseForForms = false;
    QVERIFY(copy.run(TActionText::atWrite));
    QCOMPARE(contentOf(FFile), bytes);
  }
};

QTEST_MAIN(TestKivTextResIni)
#include "tst_KivTextResIni.moc"
