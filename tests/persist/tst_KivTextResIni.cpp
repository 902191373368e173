#include "persist/ComponentProperty.h"
#include "persist/Components.h"
#include "persist/KivTextResIni.h"
#include "persist/PropertyText.h"
#include "persist/StoredValue.h"
#include "platform/Codepage.h"
#include "platform/IniFile.h"
#include "support/FileBytes.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

class TForm1 : public QWidget {
  Q_OBJECT
public:
  using QWidget::QWidget;
};

class TFormSetting : public QWidget {
  Q_OBJECT
public:
  using QWidget::QWidget;
};

class TLinkLabel : public QLabel {
  Q_OBJECT
public:
  using QLabel::QLabel;
};

// A component of our own with a property of each kind that needs converting.
class TProbe : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Caption MEMBER FCaption)
  Q_PROPERTY(Qt::Alignment Alignment MEMBER FAlignment)
  Q_PROPERTY(Qt::FocusPolicy Policy MEMBER FPolicy)
  Q_PROPERTY(double Ratio MEMBER FRatio)
  Q_PROPERTY(QChar Mark MEMBER FMark)
  Q_PROPERTY(QObject *Buddy MEMBER FBuddy)
public:
  using QWidget::QWidget;
  QString FCaption = u"probe"_s;
  Qt::Alignment FAlignment = Qt::AlignRight | Qt::AlignVCenter;
  Qt::FocusPolicy FPolicy = Qt::StrongFocus;
  double FRatio = 2.5;
  QChar FMark = u'Я';
  QObject *FBuddy = nullptr;
};

using TFactory = std::function<QObject *(QWidget *parent)>;

template <typename T> TFactory make(std::function<void(T *)> setUp = {}) {
  return [setUp](QWidget *parent) {
    auto *object = new T(parent);
    if (setUp)
      setUp(object);
    return object;
  };
}

template <typename T> T *named(T *object, const QString &name) {
  object->setObjectName(name);
  return object;
}

// The main window's layout in small: hidden labels on the tab strip, the
// filter bar, a panel owning two run-time labels (one unnamed), a label deep
// in an unnamed container, a pop-up menu, and a run-time label of the window.
struct TWindow {
  TForm1 form;
  QLineEdit *EditFilter;
  QCheckBox *ChBFiltered;
  TKivTextResIni *Ini;
  const QStringList Labels = {u"lft"_s, u"lfl"_s, u"lfw"_s, u"lfh"_s, u"lti"_s, u"lzenv"_s};

  explicit TWindow(const QString &fileName) {
    form.setObjectName(u"Form1"_s);
    auto *tabs = named(new QFrame(&form), u"KivTabSet1"_s);
    for (const QString &name : Labels)
      named(new QLabel(u"0"_s, tabs), name);
    auto *panel3 = named(new QFrame(&form), u"Panel3"_s);
    EditFilter = named(new QLineEdit(panel3), u"EditFilter"_s);
    ChBFiltered = named(new QCheckBox(u"Фильтр"_s, panel3), u"ChBFiltered"_s);
    auto *panel2 = named(new QFrame(&form), u"Panel2"_s);
    SetComponentOwner(new TLinkLabel(panel2), panel2);
    SetComponentOwner(named(new QLabel(panel2), u"SiteTitle"_s), panel2);
    named(new QLabel(new QWidget(&form)), u"Deep"_s);
    auto *menu = named(new QMenu(&form), u"PopupMenu1"_s);
    named(menu->addAction(u"Показать"_s), u"N9"_s)->setCheckable(true);
    Ini = named(new TKivTextResIni(&form), u"KivTextResIni1"_s);
    Ini->ListPropertyControl = {u"Caption"_s, u"Text"_s, u"Checked"_s};
    Ini->setFileName(fileName);
    SetComponentOwner(new QLabel(&form), &form);
  }
  bool run(TActionText action) {
    Ini->ActionText = action;
    return Ini->Execute();
  }
  void configureAsMainWindow() {
    Ini->ListIncludeName = Labels + QStringList{u"EditFilter"_s, u"ChBFiltered"_s};
    Ini->ListSkipName = {u"SiteTitle"_s};
    Ini->OnUseReadVal = [](QObject *, const QString &, const QVariant &value, bool &useVal) {
      useVal = !value.toString().isEmpty();
    };
  }
  QLabel *label(const QString &name) { return form.findChild<QLabel *>(name); }
};

// Every key a pass without filters writes for the window, in walk order.
const QStringList kAllKeys =
    u"TForm1_Form1_TLabel_lft_Caption TForm1_Form1_TLabel_lfl_Caption "
    "TForm1_Form1_TLabel_lfw_Caption TForm1_Form1_TLabel_lfh_Caption "
    "TForm1_Form1_TLabel_lti_Caption TForm1_Form1_TLabel_lzenv_Caption "
    "TForm1_Form1_TEdit_EditFilter_Text TForm1_Form1_TCheckBox_ChBFiltered_Caption "
    "TForm1_Form1_TCheckBox_ChBFiltered_Checked TPanel_Panel2_TLinkLabel_0_Caption "
    "TPanel_Panel2_TLabel_SiteTitle_Caption TForm1_Form1_TLabel_Deep_Caption "
    "TForm1_Form1_TMenuItem_PopupMenu1_Caption TForm1_Form1_TMenuItem_N9_Caption "
    "TForm1_Form1_TMenuItem_N9_Checked TForm1_Form1_TLabel_15_Caption"_s.split(u' ');

QByteArray windowsBytes(const QString &text) {
  return TCodepage::toCp1251(QString(text).replace(u"\n"_s, u"\r\n"_s));
}

class TestKivTextResIni : public QObject {
  Q_OBJECT
  QTemporaryDir FDir;
  const QString FFile = FDir.filePath(u"vx.ini"_s);

private Q_SLOTS:
  void init() {
    QDir(FDir.path()).removeRecursively();
    QVERIFY(QDir().mkpath(FDir.path()));
  }

  // `property` is "<kind>:<text written>", or "none"; `newText`, when given,
  // is set and must read back as it was.
  void properties_data() {
    QTest::addColumn<TFactory>("factory");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("newText");
    const auto combo = make<QComboBox>([](QComboBox *c) { c->addItems({u"1"_s, u"2"_s}); });
    const auto probe = make<TProbe>();
    QTest::newRow("label text") << make<QLabel>() << u"Text"_s << u"none"_s << QString();
    QTest::newRow("button") << make<QPushButton>() << u"Checked"_s << u"none"_s << QString();
    QTest::newRow("edit caption") << make<QLineEdit>() << u"Caption"_s << u"none"_s << QString();
    QTest::newRow("edit hint") << make<QLineEdit>() << u"Hint"_s << u"Text:"_s << u"tip"_s;
    QTest::newRow("combo text") << combo << u"Text"_s << u"Text:1"_s << u"2"_s;
    QTest::newRow("group box") << make<QGroupBox>() << u"Caption"_s << u"Text:"_s << u"G"_s;
    QTest::newRow("window") << make<TForm1>([](TForm1 *f) { f->setWindowFlag(Qt::Window); })
                            << u"Caption"_s << u"Text:"_s << u"  Vornix"_s;
    QTest::newRow("own caption") << probe << u"Caption"_s << u"Text:probe"_s << u"c"_s;
    QTest::newRow("set") << probe << u"Alignment"_s << u"Set:130"_s << u"1"_s;
    QTest::newRow("enumeration") << probe << u"Policy"_s << u"Enumeration:11"_s << u"0"_s;
    QTest::newRow("floating point") << probe << u"Ratio"_s << u"Float:2.5"_s << u"0.125"_s;
    QTest::newRow("wide character") << probe << u"Mark"_s << u"WideChar:1071"_s << u"65"_s;
    QTest::newRow("class") << probe << u"Buddy"_s << u"Class:"_s << QString();
    QTest::newRow("dynamic") << make<QObject>([](QObject *o) { o->setProperty("Extra", 7); })
                             << u"Extra"_s << u"Integer:7"_s << u"-8"_s;
  }
  void properties() {
    QFETCH(TFactory, factory);
    QFETCH(QString, name);
    QFETCH(QString, newText);
    static const QStringList kinds = {u"Integer"_s,     u"Char"_s,    u"WideChar"_s, u"Set"_s,
                                      u"Enumeration"_s, u"Boolean"_s, u"Float"_s,    u"Text"_s,
                                      u"Class"_s,       u"Other"_s};
    QWidget parent;
    const auto property = TComponentProperty::Find(factory(&parent), name);
    const auto text = [&]() -> QString {
      return PropertyToText(property->Kind(), property->Read());
    };
    QTEST(property ? kinds[int(property->Kind())] + u':' + text() : u"none"_s, "property");
    if (!newText.isNull()) {
      QVERIFY(property->Write(*PropertyFromText(property->Kind(), newText)));
      QCOMPARE(text(), newText);
    }
  }

  // Stored text read by kind and written again; "refused" when it is not the
  // number the kind needs.
  void numbers_data() {
    QTest::addColumn<TPropertyKind>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("written");
    using K = TPropertyKind;
    QTest::newRow("too large") << K::Integer << u"2147483648"_s << u"refused"_s;
    QTest::newRow("15 digits") << K::Float << u"0.33333333333333331"_s << u"0.333333333333333"_s;
    QTest::newRow("no group separator") << K::Float << u"1234567"_s << u"1234567"_s;
    QTest::newRow("exponent") << K::Float << u"1e+20"_s << u"1E20"_s;
    QTest::newRow("float, no number") << K::Float << u"x"_s << u"refused"_s;
    QTest::newRow("class never read") << K::Class << u"x"_s << u"refused"_s;
  }
  void numbers() {
    QFETCH(TPropertyKind, kind);
    QFETCH(QString, text);
    const std::optional<QVariant> value = PropertyFromText(kind, text);
    QTEST(value ? PropertyToText(kind, *value) : u"refused"_s, "written");
  }

  // A write pass with the filters must write exactly `keys`; a read pass
  // with them, from a file where every key holds "1", must restore exactly
  // those. `declined` is the component whose OnBeforeWrite/OnBeforeRead
  // handler clears CanExecute.
  void walk_data() {
    QTest::addColumn<QStringList>("classes");
    QTest::addColumn<QStringList>("include");
    QTest::addColumn<QStringList>("skip");
    QTest::addColumn<QString>("declined");
    QTest::addColumn<QStringList>("keys");
    const QStringList none, panel2 = kAllKeys.mid(9, 2);
    const QStringList labels = kAllKeys.mid(0, 6) + QStringList{kAllKeys[11], kAllKeys[15]};
    QStringList withoutPanel2 = kAllKeys;
    withoutPanel2.remove(9, 2);
    const auto list = [](const QString &line) { return QStringList{line}; };
    QTest::newRow("everything") << none << none << none << QString() << kAllKeys;
    QTest::newRow("class and ancestors")
        << list(u"TLabel"_s) << none << none << QString() << labels;
    QTest::newRow("class of an owner")
        << QStringList{u"TCustomLabel"_s, u"TPanel"_s} << none << none << QString()
        << kAllKeys.mid(0, 6) + panel2 + labels.mid(6);
    QTest::newRow("pattern") << none << list(u"lf**"_s) << none << QString() << kAllKeys.mid(0, 4);
    QTest::newRow("pattern inside a name")
        << none << list(u"Filter**"_s) << none << QString() << kAllKeys.mid(6, 3);
    QTest::newRow("include an owner") << none << list(u"Panel2"_s) << none << QString() << panel2;
    QTest::newRow("skip an owner")
        << none << none << list(u"Panel2"_s) << QString() << withoutPanel2;
    QTest::newRow("include and skip a name")
        << none << QStringList{u"EditFilter"_s, u"ChBFiltered"_s} << list(u"ChBFiltered"_s)
        << QString() << kAllKeys.mid(6, 1);
    QTest::newRow("skip inside an included owner")
        << none << list(u"Panel2"_s) << list(u"SiteTitle"_s) << QString() << panel2.mid(0, 1);
    QTest::newRow("handler declines an owner")
        << none << none << none << u"Panel2"_s << withoutPanel2;
    QTest::newRow("letter case counts")
        << none << list(u"editfilter"_s) << none << QString() << none;
  }
  void walk() {
    QFETCH(QStringList, classes);
    QFETCH(QStringList, include);
    QFETCH(QStringList, skip);
    QFETCH(QString, declined);
    QFETCH(QStringList, keys);
    TWindow window(FFile);
    const auto configure = [&](bool filtered) {
      window.Ini->ListClassControl = filtered ? classes : QStringList();
      window.Ini->ListIncludeName = filtered ? include : QStringList();
      window.Ini->ListSkipName = filtered ? skip : QStringList();
      window.Ini->OnBeforeRead = window.Ini->OnBeforeWrite = [=](const QString &name, bool &can) {
        can = !filtered || declined.isEmpty() || name != declined;
      };
    };
    const auto fill = [&](const QString &value) {
      QString text = u"[Form1]\n"_s;
      for (const QString &k : kAllKeys)
        text += k + u'=' + value + u'\n';
      put(FFile, windowsBytes(text));
    };
    configure(true);
    QVERIFY(window.run(TActionText::atWrite));
    QCOMPARE(TIniFile(FFile).ReadSection(u"Form1"_s), keys);
    fill(QString());
    configure(false);
    QVERIFY(window.run(TActionText::atRead)); // every control empty
    fill(u"1"_s);
    configure(true);
    QVERIFY(window.run(TActionText::atRead));
    put(FFile, {});
    configure(false);
    QVERIFY(window.run(TActionText::atWrite));
    const TIniFile ini(FFile);
    QStringList restored;
    for (const QString &k : kAllKeys)
      if (ini.ReadString(u"Form1"_s, k) == u"1"_s || ini.ReadString(u"Form1"_s, k) == u"True"_s)
        restored << k;
    QCOMPARE(restored, keys);
  }

  // The settings window's keys; a stored text that is no number where one is
  // needed ends the pass, keeping what it already set.
  void readRules_data() {
    QTest::addColumn<QString>("lines");
    QTest::addColumn<bool>("result");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<int>("index");
    const QString index = u"TFormSetting_FormSetting_TComboBox_CBTimeOut_ItemIndex="_s;
    const QString check = u"\nTFormSetting_FormSetting_TCheckBox_ChBStayOnTop_Checked="_s;
    QTest::newRow("True") << index + u"3"_s + check + u"True"_s << true << true << 3;
    QTest::newRow("one") << index + u"3"_s + check + u"1"_s << true << true << 3;
    QTest::newRow("missing key") << index + u"3"_s << true << false << 3;
    QTest::newRow("index no number") << index + u"x"_s + check + u"False"_s << false << true << 9;
    QTest::newRow("check no Boolean") << index + u"3"_s + check + u"yes"_s << false << true << 3;
  }
  void readRules() {
    QFETCH(QString, lines);
    TFormSetting form;
    form.setObjectName(u"FormSetting"_s);
    auto *timeOut = named(new QComboBox(&form), u"CBTimeOut"_s);
    for (int minutes = 1; minutes <= 20; ++minutes)
      timeOut->addItem(QString::number(minutes));
    timeOut->setCurrentIndex(9);
    named(new QCheckBox(&form), u"ChBStayOnTop"_s)->setChecked(true);
    TKivTextResIni ini(&form);
    ini.ListPropertyControl = {u"ItemIndex"_s, u"Checked"_s};
    ini.setFileName(FFile);
    put(FFile, windowsBytes(u"[FormSetting]\n"_s + lines + u'\n'));
    QTEST(ini.Execute(), "result");
    QTEST(form.findChild<QCheckBox *>()->isChecked(), "checked");
    QTEST(timeOut->currentIndex(), "index");
  }

  // Refused passes change nothing; without a window or a property to
  // persist no event fires either, nor does a pass started inside a pass
  // (it would store half-restored values).
  void refusedPasses() {
    TWindow window(FFile);
    QStringList events;
    window.Ini->OnBeforeExecute = [&](TKivTextResIni *) { events << u"before"_s; };
    window.Ini->OnAfterExecute = [&](TKivTextResIni *, bool ok) {
      events << QVariant(ok).toString();
    };
    const QByteArray bytes = windowsBytes(u"[Other]\nTForm1_Form1_TLabel_lft_Caption=1\n"_s);
    put(FFile, bytes);
    window.Ini->ListPropertyControl.clear();
    QVERIFY(!window.run(TActionText::atWrite));
    window.Ini->ListPropertyControl = {u"Caption"_s};
    window.Ini->FormControl = nullptr;
    QVERIFY(!window.run(TActionText::atWrite));
    window.Ini->FormControl = &window.form;
    QVERIFY(!window.run(TActionText::atRead)); // no section
    put(FFile, bytes + "[Form1]\r\n");
    QVERIFY(!window.run(TActionText::atRead)); // an empty one
    QCOMPARE(window.label(u"lft"_s)->text(), u"0"_s);
    QCOMPARE(contentOf(FFile), bytes + "[Form1]\r\n");
    window.Ini->OnUseReadVal = [&](QObject *, const QString &, const QVariant &, bool &) {
      events << (window.run(TActionText::atWrite) ? u"nested ran"_s : u"nested refused"_s);
    };
    put(FFile, bytes + "[Form1]\r\nTForm1_Form1_TLabel_lft_Caption=1\r\n");
    window.Ini->ListIncludeName = {u"lft"_s};
    QVERIFY(window.run(TActionText::atRead));
    QCOMPARE(events, QStringList({u"before"_s, u"false"_s, u"before"_s, u"false"_s, u"before"_s,
                                  u"nested refused"_s, u"true"_s}));

    // A missing file is told without waiting: a pass runs inside window handlers.
    window.Ini->setFileName(FDir.filePath(u"none.ini"_s));
    QVERIFY(!window.run(TActionText::atRead));
    auto *box = window.form.findChild<QMessageBox *>();
    QVERIFY(box && box->isVisible());
    QCOMPARE(box->text(), u"No such file or directory"_s);
    box->close();
    QTRY_VERIFY(!window.form.findChild<QMessageBox *>());
  }

  // The pass ends at a side file it cannot write: the INI file is replaced
  // once, with the keys written before, and no temporary file is left.
  void writeStoppedEarlyKeepsWhatItWrote() {
    TWindow window(FFile);
    window.configureAsMainWindow();
    window.Ini->Crypt = true;
    const QString blocked = SideFileName(u"Form1"_s + kAllKeys[2]) + u".txt"_s;
    QVERIFY(QDir(FDir.path()).mkdir(blocked));
    QVERIFY(!window.run(TActionText::atWrite));
    QCOMPARE(TIniFile(FFile).ReadSection(u"Form1"_s), kAllKeys.mid(0, 2));
    QCOMPARE(QDir(FDir.path()).entryList(QDir::Files).size(), 3);
  }

  // A file as the Windows program writes it is read into the window. Written
  // with Crypt into another folder, each value goes to a side file of its own,
  // digits only (the hidden labels' too, though their side-file numbers
  // coincide), and reads back from there. Written plain over the first file,
  // it leaves that file the same to the byte, other sections and stale keys kept.
  void windowsFileRoundTrip() {
    QString text = u"[FormSetting]\nTFormSetting_FormSetting_TComboBox_CBTimeOut_ItemIndex=9\n\n"
                   "[Form1]\n"_s;
    const QStringList values = {u"612"_s, u"1100"_s, u"670"_s, u"300"_s, u"2"_s, u"-1"_s};
    for (int i = 0; i < values.size(); ++i)
      text += kAllKeys[i] + u'=' + values[i] + u'\n';
    const QByteArray bytes = windowsBytes(text + kAllKeys[6] + u"=php<\"32\">разработчик\n"_s +
                                          kAllKeys[7] + u"=Фильтр\n"_s + kAllKeys[8] +
                                          u"=True\nTForm1_Form1_TEdit_OldFilter_Text=stale\n"_s);
    put(FFile, bytes);
    TWindow window(FFile);
    window.configureAsMainWindow();
    const auto check = [&](bool restored) {
      for (int i = 0; i < values.size(); ++i)
        QCOMPARE(window.label(window.Labels[i])->text(), restored ? values[i] : u"0"_s);
      QCOMPARE(window.EditFilter->text(), restored ? u"php разработчик"_s : QString());
      QCOMPARE(window.ChBFiltered->isChecked(), restored);
    };
    QVERIFY(window.run(TActionText::atRead));
    check(true);

    const QDir crypt(FDir.filePath(u"crypt"_s));
    QVERIFY(crypt.mkpath(u"."_s));
    window.Ini->setFileName(crypt.filePath(u"vx.ini"_s));
    window.Ini->Crypt = window.Ini->UseForForms = true;
    window.form.setWindowTitle(u"  Vornix (интервал обновлений 30 мин.)"_s);
    QVERIFY(window.run(TActionText::atWrite));
    const QStringList sideFiles = crypt.entryList({u"*.txt"_s});
    QCOMPARE(sideFiles.size(), 11);
    for (const QString &name : sideFiles)
      QVERIFY(QRegularExpression(u"^(\\d{3})*\r\n$"_s)
                  .match(QString::fromLatin1(contentOf(crypt.filePath(name))))
                  .hasMatch());
    for (const QString &name : window.Labels)
      window.label(name)->setText(u"0"_s);
    window.EditFilter->clear();
    window.ChBFiltered->setChecked(false);
    window.form.setWindowTitle(QString());
    check(false);
    QVERIFY(window.run(TActionText::atRead));
    check(true);
    QCOMPARE(window.form.windowTitle(), u"  Vornix (интервал обновлений 30 мин.)"_s);

    window.Ini->setFileName(FFile);
    window.Ini->Crypt = window.Ini->UseForForms = false;
    QVERIFY(window.run(TActionText::atWrite));
    QCOMPARE(contentOf(FFile), bytes);
  }
};

QTEST_MAIN(TestKivTextResIni)
#include "tst_KivTextResIni.moc"
