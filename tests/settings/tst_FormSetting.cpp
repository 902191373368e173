#include "platform/Codepage.h"
#include "settings/RSSItem.h"
#include "settings/SettingsHost.h"
#include "settings/Unit2.h"
#include "support/Controls.h"
#include "support/GoldenFile.h"
#include "support/TempDataFolder.h"
#include "support/TestHttpServer.h"

#include <QtTest>
#include <QtWidgets>

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
  void applyWatch(bool on) override { log << u"watch %1"_s.arg(on ? 1 : 0); }
  void RebuildSiteTabs() override { log << u"tabs on %1"_s.arg(settings->selectedSite()); }
  void SitesAdded() override { log << u"sites added"_s; }
};

// Scripts in tests/data/settingswindow drive the window, a step a line ("#" comments). After
// each step the dump gives the host's calls and each part of the state that changed: both INI
// files as on disk, the site list and catalogue, the editor, the focus, settings, message box.
class TestFormSetting : public QObject {
  Q_OBJECT
  std::unique_ptr<TTempDataFolder> FData;
  std::unique_ptr<TRecordingHost> FHost;
  std::unique_ptr<TFormSetting> FForm;
  QHash<const TRSSItemData *, int> FIds; // records numbered as first seen: a replaced one shows
  QHash<QString, QString> FShown;
  TTestHttpServer FServer; // boards' pages and feeds, by the names of their files
  QString FExported;       // the OPML file exported, shown with the INI files
  std::jthread FCloser;

  static QString data(const QString &name) { return QStringLiteral(VORNIX_TEST_DATA "/") + name; }
  QListWidget *chooser() const { return FForm->findChild<QListWidget *>(u"LBFeeds"_s); }

  QString file(const QString &name) const { return FData->file(name); }
  QMessageBox *messageBox() const { return FForm->findChild<QMessageBox *>(); }
  QList<TRSSItem *> rows() const { return FForm->findChildren<TRSSItem *>(); } // top to bottom
  QWidget *row(const QString &index) const { return rows().value(index.toInt()); }

  void step(QString line) {
    line.replace(u"<server>"_s, FServer.url("").chopped(1));
    QStringList w = line.split(u' ');
    const QString op = w.takeFirst(), rest = w.join(u' ');
    if (op == u"write") { // lines of an INI file, "|" between them, as both programs write them
      QFile f(file(w.value(0)));
      QVERIFY(f.open(QIODevice::Append));
      f.write(TCodepage::toCp1251(line.section(u' ', 2).replace(u'|', u"\r\n"_s).append(u"\r\n")));
    } else if (op == u"refuse") { // a folder where the file should be
      QVERIFY(QFile::remove(file(rest)) && QDir().mkdir(file(rest)));
    } else if (op == u"starting") {
      FHost->starting = rest == u"on";
    } else if (op == u"open") { // again: the program restarts, with records of its own
      FForm.reset();
      FIds.clear();
      FForm = std::make_unique<TFormSetting>(FHost.get());
      FForm->show();
      QApplication::setActiveWindow(FForm.get());
    } else if (op == u"select") { // as the main window does
      FForm->selectSite(rest.toInt());
    } else if (op == u"choose") { // in the site list
      Control<QComboBox>(FForm.get(), "CBSites")->setCurrentIndex(rest.toInt());
    } else if (op == u"click") { // a button by its caption, or "row <n>" for a row's delete
      QWidget *target = rest.startsWith(u"row ") ? Control<QWidget>(row(w[1]), "FRSSDel") : nullptr;
      for (QPushButton *b : FForm->findChildren<QPushButton *>())
        target = b->text() == rest ? b : target;
      QVERIFY2(target, qPrintable(line));
      QTest::mouseClick(target, Qt::LeftButton);
    } else if (op == u"type") { // "title <text>", "name <row> <text>", "url <row> <text>"
      const bool title = w.value(0) == u"title";
      const char *part = title ? "LESiteName" : w.value(0) == u"name" ? "FRSSName" : "FRSSURL";
      auto *edit = Control<QLineEdit>(title ? FForm.get() : row(w.value(1)), part);
      edit->clear(); // then key by key: QTest::keyClicks knows only Latin-1
      for (const QChar c : line.section(u' ', title ? 2 : 3))
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    } else if (op == u"answer") {
      const int button =
          QMetaEnum::fromType<QMessageBox::StandardButtons>().keyToValue(qPrintable(rest));
      QVERIFY(messageBox() && messageBox()->button(QMessageBox::StandardButton(button)));
      messageBox()->button(QMessageBox::StandardButton(button))->click();
      QTRY_VERIFY(!messageBox());
    } else if (op == u"set") { // a list's index, or a box ticked (1) or not (0)
      QObject *control = Control<QObject>(FForm.get(), qPrintable(w.value(0)));
      control->setProperty(control->inherits("QComboBox") ? "currentIndex" : "checked",
                           w.value(1).toInt());
    } else if (op == u"serve") { // "serve <path> <file> <type> [ms]": a file of tests/data
      TTestResponse answer = TTestResponse::ok(contentOf(data(w.value(1))), w.value(2).toUtf8());
      answer.delay = std::chrono::milliseconds(w.value(3).toInt());
      FServer.route(w.value(0).toUtf8(), answer);
    } else if (op == u"close-after") { // ms: the window's close box, from outside any wait
      FCloser = std::jthread([window = FForm->windowHandle(), ms = rest.toInt()] {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        QCoreApplication::postEvent(window, new QCloseEvent);
      });
    } else if (op == u"pick") { // the chooser's rows to tick, then "Выбрать"; none: cancelled
      QTRY_VERIFY(chooser());
      for (int i = 0; i < chooser()->count(); ++i)
        chooser()->item(i)->setCheckState(w.contains(QString::number(i)) ? Qt::Checked
                                                                         : Qt::Unchecked);
      QMetaObject::invokeMethod(chooser()->window(), rest == u"none" ? "reject" : "accept");
      QTRY_VERIFY(!chooser());
    } else if (op == u"import") { // an OPML file of tests/data, as the running program is asked
      FForm->importOpml(data(rest));
    } else if (op == u"export") {
      FForm->exportOpml(file(rest));
      FExported = rest;
    } else if (op == u"CBTimeOutChange") { // the list's own signal, its choice unchanged
      auto *list = Control<QComboBox>(FForm.get(), "CBTimeOut");
      Q_EMIT list->currentIndexChanged(list->currentIndex());
    } else {
      QFAIL(qPrintable(u"unknown step: "_s + line));
    }
  }

  // A control's text (%1) and how it shows that it cannot be used (%2).
  static QString shown(const QObject *root, const char *name, const QString &form = u"%1%2"_s) {
    const auto *w = Control<QWidget>(root, name);
    const bool grey = w->palette().color(QPalette::Base) == QColor(0xE7, 0xE7, 0xE7);
    const QStringList looks{QString(), u" (grey)"_s, u" (off)"_s, u" (off, grey)"_s};
    return form.arg(w->property("text").toString(), looks.at(!w->isEnabled() * 2 + grey));
  }
  QString sites() {
    QStringList lines;
    const TSiteCatalogue &s = FForm->sites();
    const auto *list = Control<QComboBox>(FForm.get(), "CBSites");
    for (int i = 0; i < std::max(s.count(), list->count()); ++i) {
      QString line = (i == FForm->selectedSite() ? u"> "_s : u""_s) + list->itemText(i) + u" = "_s;
      if (i < s.count()) {
        const TRSSItemData *r = s.record(i);
        const int id = FIds.value(r, int(FIds.size()) + 1);
        line += u"#%1 %2:"_s.arg(*FIds.insert(r, id)).arg(s.title(i));
        for (int j = 0; j < r->RSSURLs.size(); ++j)
          line += u' ' + r->RSSNames.value(j) + u'|' + r->RSSURLs.at(j);
      }
      lines << line;
    }
    return lines.join(u'\n');
  }
  QString editor() const {
    const QObject *f = FForm.get();
    QStringList lines{shown(f, "LESiteName", u"title «%1»%2"_s),
                      u"headings "_s + shown(f, "Label2") + u", "_s + shown(f, "Label3")};
    for (const TRSSItem *r : rows())
      lines << shown(r, "FRSSName", u"row «%1»%2"_s) + shown(r, "FRSSURL", u" «%1»%2"_s) +
                   shown(r, "FRSSDel", u" delete%1%2"_s);
    lines << shown(f, "Button3") + u", "_s + shown(f, "Button4") + u", "_s + shown(f, "Button2") +
                 u", "_s + shown(f, "Button6");
    return lines.join(u'\n');
  }
  // Only where the window itself puts the focus: the title or a row.
  QString focus() const {
    const QWidget *w = QApplication::focusWidget();
    if (const auto *r = qobject_cast<const TRSSItem *>(w ? w->parentWidget() : nullptr))
      return u"row %1 %2"_s.arg(rows().indexOf(r)).arg(w->objectName());
    return w && w->objectName() == u"LESiteName" ? u"title"_s : u"elsewhere"_s;
  }
  QString settings() const {
    const TFormSetting &f = *FForm;
    const auto text = [&f](const char *n) { return Control<QComboBox>(&f, n)->currentText(); };
    return QString::asprintf("%d min, on top %d, keep position %d, filter %s (OR %d), "
                             "transparency %s, balloons off %d, sounds off %d, watch %d",
                             f.updateMinutes(), Control<QCheckBox>(&f, "ChBStayOnTop")->isChecked(),
                             f.keepItemPosition(), qUtf8Printable(text("CBFilterAssociation")),
                             f.filterUsesOr(), qUtf8Printable(text("CBAlphaBlend")),
                             f.balloonsOff(), f.soundsOff(), f.watchAll());
  }
  // The host's calls, then each part that changed since it was last shown.
  QString changes() {
    QString out;
    for (const QString &call : std::exchange(FHost->log, {}))
      out += u"  host: "_s + call + u'\n';
    const auto show = [&](const QString &name, const QString &text) {
      if (std::exchange(FShown[name], text) != text)
        out +=
            u"  "_s + name + u":\n    |"_s + QString(text).replace(u"\n"_s, u"\n    |"_s) + u'\n';
    };
    if (!FExported.isEmpty())
      show(FExported, QString::fromUtf8(contentOf(file(FExported))));
    for (const QString &name : {u"vxs.ini"_s, u"vxss.ini"_s})
      show(name, TCodepage::fromCp1251(contentOf(file(name))).replace(u"\r"_s, u"\\r"_s));
    if (!FForm)
      return out;
    const QMessageBox *box = messageBox();
    show(u"sites"_s, sites());
    show(u"editor"_s, editor());
    show(u"focus"_s, focus());
    show(u"settings"_s, settings());
    show(u"message"_s, box ? box->windowTitle() + u": "_s + box->text() : u"none"_s);
    show(u"status"_s, Control<QLabel>(FForm.get(), "LStatus")->text());
    QStringList offered;
    for (int i = 0; chooser() && i < chooser()->count(); ++i)
      offered << chooser()->item(i)->text().replace(u'\n', u" | "_s) +
                     (chooser()->item(i)->checkState() == Qt::Checked ? u" [x]"_s : u""_s);
    show(u"chooser"_s, offered.join(u'\n'));
    return out.replace(FData->path(), u"<data>"_s)
        .replace(FServer.url("").chopped(1), u"<server>"_s);
  }

private Q_SLOTS:
  void initTestCase() {
    QApplication::setApplicationDisplayName(u"Vornix"_s);
    QVERIFY(FServer.start());
  }
  void init() { // the window goes before its data folder
    FForm.reset();
    FData.reset();
    FData = std::make_unique<TTempDataFolder>();
    FHost = std::make_unique<TRecordingHost>();
    FServer.reset();
    FExported.clear();
    FShown = {{u"message"_s, u"none"_s}, {u"status"_s, QString()}, {u"chooser"_s, QString()}};
  }

  void scripts_data() { addGoldenRows(u"settingswindow"_s); }
  // Steps that only prepare files show no dump of their own.
  void scripts() {
    QFETCH(QString, input);
    QString dump;
    for (const QString &line : ScriptLines(input)) {
      step(line);
      if (QTest::currentTestFailed())
        return;
      const QString shown = changes();
      if (!line.startsWith(u"write"))
        dump += line + u'\n' + shown;
    }
    compareWithGolden(input, dump);
  }
};

QTEST_MAIN(TestFormSetting)
#include "tst_FormSetting.moc"
