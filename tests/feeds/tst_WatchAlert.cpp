#include "feeds/WatchAlert.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Items as "title|link|description".
QList<TFeedItem> itemsOf(const QStringList &lines) {
  QList<TFeedItem> items;
  for (const QString &line : lines) {
    const QStringList parts = line.split(u'|');
    TFeedItem item;
    item.setUtf8(TFeedItem::Title, parts.value(0).toUtf8());
    item.setUtf8(TFeedItem::Link, parts.value(1).toUtf8());
    item.setUtf8(TFeedItem::Description, parts.value(2).toUtf8());
    items.append(item);
  }
  return items;
}

} // namespace

class TestWatchAlert : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void alert_data() {
    QTest::addColumn<QStringList>("fresh");
    QTest::addColumn<QString>("filterText"); // empty: the filter box is off
    QTest::addColumn<bool>("joinWithOr");
    QTest::addColumn<QString>("text"); // empty: no alert
    const QStringList jobs{
        u"Сайт на Qt|https://b.example/1|C++ и QML"_s, u"Логотип|https://b.example/2|дизайн"_s,
        u"Парсер|https://b.example/3|Python, Qt не нужен"_s, u"Бот|https://b.example/4|Telegram"_s};
    QTest::newRow("filter off: every item, three named")
        << jobs << QString() << false << u"Сайт на Qt\nЛоготип\nПарсер\nи ещё 1"_s;
    QTest::newRow("by title or description") << jobs << u"qt"_s << false << u"Сайт на Qt\nПарсер"_s;
    QTest::newRow("words joined with AND") << jobs << u"qt python"_s << false << u"Парсер"_s;
    QTest::newRow("words joined with OR")
        << jobs << u"telegram дизайн"_s << true << u"Логотип\nБот"_s;
    QTest::newRow("no title: the link") << QStringList{u"|https://b.example/5|без заголовка"_s}
                                        << QString() << false << u"https://b.example/5"_s;
    QTest::newRow("every character as written, matched without case")
        << QStringList{u"Logo für ein Café 🚀|https://b.example/6|₹600"_s} << u"CAFÉ"_s << false
        << u"Logo für ein Café 🚀"_s;
    QTest::newRow("nothing matches") << jobs << u"rust"_s << false << QString();
  }
  void alert() {
    QFETCH(QStringList, fresh);
    QFETCH(QString, filterText);
    QFETCH(bool, joinWithOr);
    QFETCH(QString, text);
    const TKeywordFilter filter{filterText, !filterText.isEmpty(), joinWithOr};
    const QList<TFeedItem> alerting = AlertingItems(itemsOf(fresh), filter);
    QCOMPARE(alerting.isEmpty(), text.isEmpty());
    if (text.isEmpty())
      return;
    const TWatchAlert alert = WatchAlertFor(u"FL.ru"_s, alerting);
    QCOMPARE(alert.title, u"Новые проекты: FL.ru"_s);
    QCOMPARE(alert.text, text);
  }
};

QTEST_GUILESS_MAIN(TestWatchAlert)
#include "tst_WatchAlert.moc"
