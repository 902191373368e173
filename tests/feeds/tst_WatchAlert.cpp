#include "feeds/WatchAlert.h"
#include "support/GoldenFile.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestWatchAlert : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void alert_data() { addGoldenRows(u"watchalert"_s); }
  // A file in tests/data/watchalert: the filter box ("off", or "AND" or "OR" and its text),
  // then the new items, "title|link|description" a line; the dump is the alert, if any.
  void alert() {
    QFETCH(QString, input);
    QStringList lines = ScriptLines(input);
    const QString box = lines.takeFirst();
    QList<TFeedItem> fresh;
    for (const QString &line : lines) {
      TFeedItem &item = fresh.emplace_back();
      for (const auto field : {TFeedItem::Title, TFeedItem::Link, TFeedItem::Description})
        item.setUtf8(field, line.section(u'|', field, field).toUtf8());
    }
    const QList<TFeedItem> alerting =
        AlertingItems(fresh, {box.section(u' ', 1), box != u"off", box.startsWith(u"OR ")});
    if (alerting.isEmpty())
      return compareWithGolden(input, u"no alert"_s);
    const TWatchAlert alert = WatchAlertFor(u"FL.ru"_s, alerting);
    compareWithGolden(input, alert.title + u'\n' + alert.text);
  }
};

QTEST_GUILESS_MAIN(TestWatchAlert)
#include "tst_WatchAlert.moc"
