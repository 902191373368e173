#include "platform/Codepage.h"
#include "settings/RSSItem.h"
#include "settings/SettingsHost.h"
#include "settings/Unit2.h"
#include "support/FileBytes.h"
#include "support/TempDataFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// What the settings window asks of the main window, in the order asked.
class TRecordingHost : public TSettingsHost {
public:
  QStringList log;
  bool starting = false;
  TFormSetting *settings = nullptr;

  void attachFormSetting(TFormSetting *s) override { settings = s; }
  bool startingOrClosing() const override { return starting; }
  bool destroying() const override { return false; }
  void applyStayOnTop(bool on) override { log << u"on top %1"_s.arg(on ? 1 : 0); }
  void applyAlphaValue(int alpha) override { log << u"alpha %1"_s.arg(alpha); }
  void applyCaption(const QString &caption) override { log << caption; }
  void applyUpdateInterval(int ms, bool now) override {
    log << u"interval %1"_s.arg(ms) + (now ? u" now"_s : QString());
  }
  void RebuildSiteTabs() override { log << u"tabs on %1"_s.arg(settings->selectedSite()); }
};

class TestFormSetting : public QObject {
  Q_OBJECT
  std::unique_ptr<TTempDataFolder> FData;
  std::unique_ptr<TRecordingHost> FHost;
  std::unique_ptr<TFormSetting> FForm;

  // Windows-1251 with CR LF, as both programs write their INI files.
  static QByteArray windowsText(const QString &text) {
    return TCodepage::toCp1251(QString(text).replace(u"\n"_s, u"\r\n"_s));
  }
  // The archive, then sites written "Title:a,b": feed a at address A, and so on.
  static QString catalogue(const QStringList &sites) {
    QString text = u"[item_0]\ntitle=Архив\n00_name=Архив сообщений\n00_url=vx_arhive.xml\n"_s;
    for (int i = 0; i < sites.size(); ++i) {
      const QStringList parts = sites.at(i).split(u':');
      text += u"[item_%1]\ntitle=%2\n"_s.arg(i + 1).arg(parts.at(0));
      const QStringList feeds = parts.value(1).split(u',', Qt::SkipEmptyParts);
      for (int j = 0; j < feeds.size(); ++j)
        text += u"%1%2_name=%3\n%1%2_url=%4\n"_s.arg(i + 1).arg(j).arg(feeds.at(j),
                                                                       feeds.at(j).toUpper());
    }
    return text;
  }
  // The seven settings in the order of the page, as the file keeps them.
  static QStringList controls() {
    return {u"CBTimeOut"_s,           u"ChBStayOnTop"_s, u"ChBStoreXMLItemPos"_s,
            u"CBFilterAssociation"_s, u"CBAlphaBlend"_s, u"ChBBallonsOff"_s,
            u"ChBSoundsUse"_s};
  }
  static QByteArray settingsFile(const QStringList &values, const QString &extra = {}) {
    QString text = u"[FormSetting]\n"_s;
    const QStringList names = controls();
    for (int i = 0; i < names.size(); ++i) {
      const bool list = names.at(i).startsWith(u"CB"_s);
      text += u"TFormSetting_FormSetting_%1_%2_%3=%4\n"_s.arg(
          list ? u"TComboBox"_s : u"TCheckBox"_s, names.at(i), list ? u"ItemIndex"_s : u"Checked"_s,
          values.value(i));
    }
    return windowsText(text + extra);
  }
  QString file(const QString &name) const { return FData->file(name); }
  void open(const QStringList &sites = {}) {
    put(file(u"vxs.ini"_s), windowsText(catalogue(sites)));
    FForm = std::make_unique<TFormSetting>(FHost.get());
    FForm->show();
    QApplication::setActiveWindow(FForm.get());
  }
  QStringList rows() const {
    QStringList list;
    for (const TRSSItem *row : FForm->feedRows())
      list << row->name() + u'|' + row->address();
    return list;
  }
  // Typed key by key (QTest::keyClicks knows only Latin-1).
  static void type(QLineEdit *edit, const QString &text, bool replace = true) {
    if (replace)
      edit->clear();
    for (const QChar c : text)
      QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
  QMessageBox *messageBox() const { return FForm->findChild<QMessageBox *>(); }
  void answer(QMessageBox::StandardButton button) {
    QMessageBox *box = messageBox();
    QVERIFY(box);
    box->button(button)->click();
    QTRY_VERIFY(!messageBox());
  }

private Q_SLOTS:
  void initTestCase() { QApplication::setApplicationDisplayName(u"Vornix"_s); }
  void init() {
    FData = std::make_unique<TTempDataFolder>();
    FHost = std::make_unique<TRecordingHost>();
  }
  void cleanup() {
    FForm.reset();
    FData.reset();
  }

  void archiveCannotBeEdited() {
    open({u"A:a"_s});
    // Enabled or not: title, headings, "Добавить RSS", "Сохранить", "Удалить",
    // the row's edits and button; then whether the title and the row's name are grey.
    const auto state = [this]() -> QString {
      const TRSSItem *row = FForm->feedRows().value(0);
      QString s;
      for (const QWidget *w : std::initializer_list<const QWidget *>{
               FForm->LESiteName, FForm->Label2, FForm->Label3, FForm->Button4, FForm->Button2,
               FForm->Button6, row->FRSSName, row->FRSSURL, row->FRSSDel})
        s += w->isEnabled() ? u'1' : u'0';
      for (const QLineEdit *edit : {FForm->LESiteName, row->FRSSName})
        s += edit->palette().color(QPalette::Base) == QColor(0xE7, 0xE7, 0xE7) ? u'g' : u'w';
      return s + u' ' + rows().join(u';');
    };
    QCOMPARE(state(), u"000000000gg Архив сообщений|vx_arhive.xml"_s);
    FForm->CBSites->setCurrentIndex(1);
    QCOMPARE(state(), u"111101111ww a|A"_s);
    FForm->CBSites->setCurrentIndex(0);
    QCOMPARE(state(), u"000000000gg Архив сообщений|vx_arhive.xml"_s);
  }

  // A new site goes to the end of the list; saving it again fills the same
  // record in place, since the main window's tabs point at it.
  void newSiteIsAppendedThenEditedInPlace() {
    open({u"A:a"_s, u"B:b"_s});
    FHost->log.clear();
    QTest::mouseClick(FForm->Button3, Qt::LeftButton);
    QCOMPARE(FForm->LESiteName->text() + rows().join(u';'), u"Новый|"_s);
    QVERIFY(FForm->Button2->isEnabled() && !FForm->Button6->isEnabled());
    type(FForm->LESiteName, u"Вакансии"_s);
    type(FForm->feedRows().at(0)->FRSSName, u"Все"_s);
    type(FForm->feedRows().at(0)->FRSSURL, u"https://x/rss"_s);
    QTest::mouseClick(FForm->Button4, Qt::LeftButton); // a row left empty is dropped
    QCOMPARE(QApplication::focusWidget(), FForm->feedRows().value(1)->FRSSName);
    QTest::mouseClick(FForm->Button2, Qt::LeftButton);
    QCOMPARE(FForm->CBSites->count(), 4);
    QCOMPARE(FForm->CBSites->currentText(), u"Вакансии"_s);
    QCOMPARE(contentOf(file(u"vxs.ini"_s)),
             windowsText(catalogue({u"A:a"_s, u"B:b"_s}) +
                         u"[item_3]\ntitle=Вакансии\n30_name=Все\n30_url=https://x/rss\n"_s));
    QCOMPARE(FHost->log, QStringList{u"tabs on 3"_s});
    QVERIFY(!FForm->Button2->isEnabled() && FForm->Button6->isEnabled());

    const TRSSItemData *record = FForm->sites().record(3);
    type(FForm->LESiteName, u"B2"_s);
    type(FForm->feedRows().at(0)->FRSSURL, u"n"_s.repeated(300));
    QTest::mouseClick(FForm->Button2, Qt::LeftButton);
    QCOMPARE(FForm->sites().record(3), record);
    QCOMPARE(FForm->sites().title(3) + FForm->CBSites->itemText(3), u"B2B2"_s);
    QCOMPARE(record->RSSURLs, QStringList{u"n"_s.repeated(255)});
  }

  void deleteSite_data() {
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<int>("selected");
    QTest::newRow("last") << 3 << QStringList{u"A:a"_s, u"B:b"_s} << 2;
    QTest::newRow("middle") << 1 << QStringList{u"B:b"_s, u"C:c"_s} << 1;
  }
  void deleteSite() {
    QFETCH(int, chosen);
    QFETCH(QStringList, left);
    QFETCH(int, selected);
    open({u"A:a"_s, u"B:b"_s, u"C:c"_s});
    FForm->selectSite(chosen);
    FHost->log.clear();
    QTest::mouseClick(FForm->Button6, Qt::LeftButton); // no question asked
    QCOMPARE(FForm->selectedSite(), selected);
    QCOMPARE(FForm->LESiteName->text(), u"B"_s);
    QCOMPARE(FHost->log, QStringList{u"tabs on %1"_s.arg(selected)});
    QCOMPARE(contentOf(file(u"vxs.ini"_s)), windowsText(catalogue(left)));
  }

  // A row's delete button removes that row from the editor only; the other
  // rows keep what was typed, and the catalogue follows at "Сохранить".
  void deleteFeedRow_data() {
    QTest::addColumn<QString>("site");
    QTest::addColumn<bool>("addRow"); // a row added and typed into before the question
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("left");
    const QStringList all{u"a|A"_s, u"b|B"_s, u"c|Cx"_s};
    QTest::newRow("first row") << u"S:a,b,c"_s << false << 0 << true << all.mid(1);
    QTest::newRow("unsaved row") << u"S:a,b,c"_s << true << 3 << true << all;
    QTest::newRow("answered no") << u"S:a,b,c"_s << false << 0 << false << all;
    QTest::newRow("the only row") << u"S:c"_s << false << 0 << true << QStringList{u"|"_s};
  }
  void deleteFeedRow() {
    QFETCH(QString, site);
    QFETCH(bool, addRow);
    QFETCH(int, row);
    QFETCH(bool, yes);
    QFETCH(QStringList, left);
    open({site});
    FForm->selectSite(1);
    const TRSSItemData before = *FForm->sites().record(1);
    type(FForm->feedRows().last()->FRSSURL, u"x"_s, false);
    if (addRow) {
      QTest::mouseClick(FForm->Button4, Qt::LeftButton);
      type(FForm->feedRows().last()->FRSSName, u"d"_s, false);
    }
    QTest::mouseClick(FForm->feedRows().at(row)->FRSSDel, Qt::LeftButton);
    QCOMPARE(messageBox()->windowTitle() + u' ' + messageBox()->text(),
             u"Удаление RSS ленты Удалить RSS ленту?"_s);
    answer(yes ? QMessageBox::Yes : QMessageBox::No);
    QCOMPARE(rows(), left);
    QCOMPARE(FForm->sites().record(1)->RSSURLs, before.RSSURLs);
    QTest::mouseClick(FForm->Button2, Qt::LeftButton);
    QStringList saved = left.replaceInStrings(QRegularExpression(u"^.*\\|"_s), QString());
    saved.removeAll(QString());
    QCOMPARE(FForm->sites().record(1)->RSSURLs, saved);
  }

  // The question does not hold the program up: the row may be gone by the answer.
  void rowGoneBeforeTheAnswer() {
    open({u"A:a,b"_s});
    FForm->selectSite(1);
    QTest::mouseClick(FForm->feedRows().at(1)->FRSSDel, Qt::LeftButton);
    FForm->selectSite(0);
    answer(QMessageBox::Yes);
    QCOMPARE(rows(), QStringList{u"Архив сообщений|vx_arhive.xml"_s});
    QVERIFY(!FForm->Button2->isEnabled());
  }

  void refusedCatalogueWriteIsShown() {
    open({u"A:a"_s});
    FForm->selectSite(1);
    QVERIFY(QFile::remove(file(u"vxs.ini"_s)) && QDir().mkdir(file(u"vxs.ini"_s)));
    FHost->log.clear();
    type(FForm->LESiteName, u"B"_s);
    QTest::mouseClick(FForm->Button2, Qt::LeftButton);
    QCOMPARE(messageBox()->text(), u"Unable to write to "_s + file(u"vxs.ini"_s));
    answer(QMessageBox::Ok);
    QVERIFY(FHost->log.isEmpty() && FForm->Button2->isEnabled());
    // The site is gone from memory, so the tabs that pointed at it go too.
    QTest::mouseClick(FForm->Button6, Qt::LeftButton);
    answer(QMessageBox::Ok);
    QCOMPARE(FHost->log, QStringList{u"tabs on 0"_s});
  }

  // Each change is written at once in the Windows program's form, and applied.
  void settingChange_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("value");       // a list's index, or 1 for a tick
    QTest::addColumn<QString>("applied"); // on top, alpha, minutes
    QTest::addColumn<QString>("stored");
    QTest::newRow("timeout 5") << u"CBTimeOut"_s << 4 << u"0 204 5"_s << u"4"_s;
    QTest::newRow("transparency 0") << u"CBAlphaBlend"_s << 0 << u"0 255 30"_s << u"0"_s;
    QTest::newRow("transparency 50") << u"CBAlphaBlend"_s << 5 << u"0 128 30"_s << u"5"_s;
    QTest::newRow("transparency 100") << u"CBAlphaBlend"_s << 10 << u"0 0 30"_s << u"10"_s;
    QTest::newRow("on top") << u"ChBStayOnTop"_s << 1 << u"1 204 30"_s << u"True"_s;
    QTest::newRow("OR") << u"CBFilterAssociation"_s << 1 << u"0 204 30"_s << u"1"_s;
  }
  void settingChange() {
    QFETCH(QString, control);
    QFETCH(int, value);
    QFETCH(QString, applied);
    QFETCH(QString, stored);
    open();
    QVERIFY(!QFile::exists(file(u"vxss.ini"_s))); // the defaults need no file
    FHost->log.clear();
    QObject *target = FForm->findChild<QObject *>(control);
    if (auto *list = qobject_cast<QComboBox *>(target))
      list->setCurrentIndex(value);
    else
      qobject_cast<QCheckBox *>(target)->click();
    const QStringList a = applied.split(u' ');
    QCOMPARE(FHost->log, (QStringList{u"on top "_s + a[0], u"alpha "_s + a[1],
                                      u"  Vornix (интервал обновлений %1 мин.)"_s.arg(a[2]),
                                      u"interval %1 now"_s.arg(a[2].toInt() * 60000 + 5000)}));
    QStringList values{u"9"_s, u"False"_s, u"False"_s, u"0"_s, u"2"_s, u"False"_s, u"False"_s};
    values[controls().indexOf(control)] = stored;
    QCOMPARE(contentOf(file(u"vxss.ini"_s)), settingsFile(values));
  }

  // The other program's file reads back at every start, nothing is written by
  // reading it, and writing leaves it byte for byte as it was, foreign keys included.
  void windowsFileReadAndWrittenUnchanged() {
    const QByteArray windows =
        settingsFile({u"4"_s, u"True"_s, u"True"_s, u"1"_s, u"0"_s, u"True"_s, u"True"_s},
                     u"TFormSetting_FormSetting_TCheckBox_Old_Checked=True\n"_s);
    put(file(u"vxss.ini"_s), windows);
    FHost->starting = true;
    open();
    QCOMPARE(FHost->log,
             (QStringList{u"on top 1"_s, u"alpha 255"_s, u"  Vornix (интервал обновлений 5 мин.)"_s,
                          u"interval 305000"_s, u"tabs on 0"_s}));
    QCOMPARE(contentOf(file(u"vxss.ini"_s)), windows);
    FForm->ChBSoundsUse->click(); // while the program starts, nothing is saved
    QCOMPARE(contentOf(file(u"vxss.ini"_s)), windows);
    FForm->ChBSoundsUse->click();
    FHost->starting = false;
    FForm->CBTimeOutChange();
    QCOMPARE(contentOf(file(u"vxss.ini"_s)), windows);
    FForm.reset();
    open();
    QVERIFY(FForm->keepItemPosition() && FForm->filterUsesOr() && FForm->balloonsOff() &&
            FForm->soundsOff() && FForm->updateMinutes() == 5);
  }

  // An empty value, or a choice the list lacks, leaves the control's default.
  void badStoredValuesAreIgnored() {
    put(file(u"vxss.ini"_s), settingsFile({QString(), u"1"_s, u""_s, u"2"_s, u"-1"_s}));
    open();
    QCOMPARE(u"%1 %2 %3 %4"_s
                 .arg(FForm->CBTimeOut->currentText(), FForm->CBFilterAssociation->currentText(),
                      FForm->CBAlphaBlend->currentText())
                 .arg(FForm->ChBStayOnTop->isChecked() ? 1 : 0),
             u"30 И 20 1"_s); // "1" is a tick
  }
};

QTEST_MAIN(TestFormSetting)
#include "tst_FormSetting.moc"
