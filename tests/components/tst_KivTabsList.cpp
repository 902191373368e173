#include "components/KivTabSelection.h"
#include "components/KivTabsList.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A list and its selection wired together as a tab strip wires them, with
// every event recorded.
struct TTabModel {
  TKivTabsList list;
  TKivTabSelection selection{list};
  QList<QPair<int, int>> changing;
  QList<int> changed;
  bool veto = false;

  explicit TTabModel(int count = 0, int selected = -1) {
    list.setOwner(&selection);
    for (int i = 0; i < count; ++i)
      list.Add(u"tab %1"_s.arg(i));
    selection.setTabIndex(selected);
    selection.OnChanging = [this](int current, int next, bool &canChange) {
      changing.append({current, next});
      canChange = !veto;
    };
    selection.OnChanged = [this](int index) { changed.append(index); };
  }
  void hide(const QList<int> &tabs) {
    for (int i : tabs)
      list.setVisible(i, false);
  }
  void disable(const QList<int> &tabs) {
    for (int i : tabs)
      list.setEnabled(i, false);
  }
};

} // namespace

class TestKivTabsList : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void addSelectsTheNewTabUnlessLoadingOrATabControl_data();
  void addSelectsTheNewTabUnlessLoadingOrATabControl();
  void deleteMovesSelectionByTheOldIndexOnly_data();
  void deleteMovesSelectionByTheOldIndexOnly();
  void insertKeepsSelectionIndex_data();
  void insertKeepsSelectionIndex();
  void bulkAddAndClear();
  void captionsAndStatesStayInStep();
  void selectionSkipsTabsThatCannotBeChosen_data();
  void selectionSkipsTabsThatCannotBeChosen();
  void vetoKeepsTheOldSelection();
};

void TestKivTabsList::addSelectsTheNewTabUnlessLoadingOrATabControl_data() {
  QTest::addColumn<bool>("loading");
  QTest::addColumn<bool>("selectsAdded");
  QTest::addColumn<int>("expected");
  QTest::addColumn<int>("events");
  QTest::newRow("strip") << false << true << 2 << 1;
  QTest::newRow("loading") << true << true << 0 << 0;
  QTest::newRow("tab control") << false << false << 0 << 0;
}

void TestKivTabsList::addSelectsTheNewTabUnlessLoadingOrATabControl() {
  QFETCH(bool, loading);
  QFETCH(bool, selectsAdded);
  QFETCH(int, expected);
  QFETCH(int, events);
  TTabModel model(2, 0);
  model.selection.setLoading(loading);
  model.selection.setSelectsAddedTabs(selectsAdded);
  QCOMPARE(model.list.Add(QString()), 2);
  QCOMPARE(model.list.strings(2), u" "_s);
  QCOMPARE(model.selection.TabIndex(), expected);
  QCOMPARE(model.changed.size(), events);
  QCOMPARE(model.changing.size(), events);
}

void TestKivTabsList::deleteMovesSelectionByTheOldIndexOnly_data() {
  QTest::addColumn<int>("count");
  QTest::addColumn<int>("selected");
  QTest::addColumn<int>("deleted");
  QTest::addColumn<int>("expected");
  QTest::newRow("the selected tab") << 5 << 3 << 3 << 2;
  QTest::newRow("a tab before it") << 5 << 3 << 0 << 2;
  QTest::newRow("a tab after it") << 5 << 3 << 4 << 2;
  QTest::newRow("first of three, first selected") << 3 << 0 << 0 << 0;
  QTest::newRow("nothing selected") << 3 << -1 << 1 << 0;
  QTest::newRow("the only tab") << 1 << 0 << 0 << -1;
  QTest::newRow("last of two selected") << 2 << 1 << 1 << 0;
  QTest::newRow("index out of range") << 3 << 2 << 7 << 2;
}

void TestKivTabsList::deleteMovesSelectionByTheOldIndexOnly() {
  QFETCH(int, count);
  QFETCH(int, selected);
  QFETCH(int, deleted);
  QFETCH(int, expected);
  TTabModel model(count, selected);
  model.list.Delete(deleted);
  QCOMPARE(model.selection.TabIndex(), expected);
  QCOMPARE(model.list.count(), deleted < count ? count - 1 : count);
}

void TestKivTabsList::insertKeepsSelectionIndex_data() {
  QTest::addColumn<int>("at");
  QTest::addColumn<int>("position");
  QTest::newRow("front") << 0 << 0;
  QTest::newRow("beyond the end") << 9 << 3;
  QTest::newRow("negative") << -1 << -1;
}

void TestKivTabsList::insertKeepsSelectionIndex() {
  QFETCH(int, at);
  QFETCH(int, position);
  TTabModel model(3, 1);
  model.list.Insert(at, u"new"_s);
  QCOMPARE(model.list.indexOf(u"new"_s), position);
  QCOMPARE(model.list.count(), position < 0 ? 3 : 4);
  QCOMPARE(model.selection.TabIndex(), 1);
  QVERIFY(model.changed.isEmpty());
}

void TestKivTabsList::bulkAddAndClear() {
  TTabModel model(2, 1);
  model.list.setVisible(0, false);
  model.list.AddStrings({u"a"_s, QString(), u"c"_s});
  QCOMPARE(model.list.captions(), (QStringList{u"tab 0"_s, u"tab 1"_s, u"a"_s, u" "_s, u"c"_s}));
  QVERIFY(model.list.state(0).Visible); // every record starts afresh
  QCOMPARE(model.selection.TabIndex(), 0);

  model.list.Clear();
  QCOMPARE(model.list.count(), 0);
  QCOMPARE(model.selection.TabIndex(), -1);
  model.list.AddStrings({});
  QCOMPARE(model.selection.TabIndex(), -1);
}

void TestKivTabsList::captionsAndStatesStayInStep() {
  TTabModel model(3, 2);
  model.list.setObject(0, 42);
  model.list.setEnabled(0, false);
  model.list.setText(0, u"kept"_s);
  model.list.Exchange(0, 2);
  QCOMPARE(model.list.strings(2), u"tab 0"_s);
  QCOMPARE(model.list.objects(2).toInt(), 42);
  QVERIFY(!model.list.state(2).Enabled);
  QCOMPARE(model.list.state(2).Text, u"kept"_s);
  QVERIFY(model.list.state(0).Enabled);

  model.list.Put(2, QString());
  QCOMPARE(model.list.strings(2), u" "_s);
  QCOMPARE(model.list.state(2).Text, u"kept"_s);
  QCOMPARE(model.list.objects(2).toInt(), 42);
  QCOMPARE(model.selection.TabIndex(), 2);
}

void TestKivTabsList::selectionSkipsTabsThatCannotBeChosen_data() {
  QTest::addColumn<QList<int>>("hidden");
  QTest::addColumn<QList<int>>("disabled");
  QTest::addColumn<int>("current");
  QTest::addColumn<int>("request");
  QTest::addColumn<int>("expected");
  const QList<int> none;
  QTest::newRow("plain") << none << none << 0 << 3 << 3;
  QTest::newRow("above the last is clamped") << none << none << 0 << 10 << 4;
  QTest::newRow("below -1 means none") << none << none << 2 << -7 << -1;
  QTest::newRow("hidden, moving right") << QList<int>{1} << none << 0 << 1 << 2;
  QTest::newRow("disabled, moving right") << none << QList<int>{1, 2} << 0 << 1 << 3;
  QTest::newRow("hidden last, moving right") << QList<int>{4} << none << 0 << 4 << 3;
  QTest::newRow("hidden last two") << QList<int>{3, 4} << none << 0 << 4 << 2;
  QTest::newRow("hidden last, back to the current") << QList<int>{3, 4} << none << 2 << 4 << 2;
  QTest::newRow("disabled, moving left") << none << QList<int>{1} << 4 << 1 << 0;
  QTest::newRow("hidden first, moving left") << QList<int>{0} << none << 4 << 0 << 1;
  QTest::newRow("hidden first two, moving left") << QList<int>{0, 1} << none << 4 << 1 << 2;
  QTest::newRow("nothing selectable") << QList<int>{0, 1, 2, 3, 4} << none << -1 << 2 << -1;
  QTest::newRow("nothing selectable but current") << QList<int>{0, 1, 3, 4} << none << 2 << 4 << 2;
}

void TestKivTabsList::selectionSkipsTabsThatCannotBeChosen() {
  QFETCH(QList<int>, hidden);
  QFETCH(QList<int>, disabled);
  QFETCH(int, current);
  QFETCH(int, request);
  QFETCH(int, expected);
  TTabModel model(5, current);
  model.hide(hidden);
  model.disable(disabled);
  model.selection.setTabIndex(request);
  QCOMPARE(model.selection.TabIndex(), expected);
  if (expected == current) {
    QVERIFY(model.changing.isEmpty());
    QVERIFY(model.changed.isEmpty());
  } else {
    QCOMPARE(model.changing, (QList<QPair<int, int>>{{current, expected}}));
    QCOMPARE(model.changed, QList<int>{expected});
  }
}

void TestKivTabsList::vetoKeepsTheOldSelection() {
  TTabModel model(3, 0);
  model.veto = true;
  model.selection.setTabIndex(2);
  QCOMPARE(model.selection.TabIndex(), 0);
  QCOMPARE(model.changing.size(), 1);
  QVERIFY(model.changed.isEmpty());
  model.list.Add(u"vetoed too"_s);
  QCOMPARE(model.selection.TabIndex(), 0);
}

QTEST_GUILESS_MAIN(TestKivTabsList)
#include "tst_KivTabsList.moc"
