// Stepping through the visible items, the jump list, and the keyword filter.
#include "app/Unit1.h"
#include "app/ControlHint.h"
#include "components/KivTabSet.h"
#include "feeds/KeywordFilter.h"
#include "settings/Unit2.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

void TForm1::bindNavigation() {
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
  connect(CBFastTransition, &QComboBox::activated, this, &TForm1::CBFastTransitionClick);
  CBFastTransition->view()->window()->installEventFilter(this);
  connect(ChBFiltered, &QCheckBox::clicked, this, &TForm1::ChBFilteredClick);
  ChBFiltered->installEventFilter(this);
  EditFilter->installEventFilter(this);
  bindTimer(Timer1, &TForm1::Timer1Timer);
  FTickHandlers.insert(Timer2, [this] { Timer2Timer(Timer2); });
  connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(Timer2); });
}

// The controls' own events that stand for the handlers below.
bool TForm1::navigationEvent(QObject *watched, QEvent *event) {
  if (FDestroying)
    return false;
  if (watched == EditFilter && event->type() == QEvent::KeyRelease) {
    EditFilterKeyUp(static_cast<QKeyEvent *>(event)->modifiers());
  } else if (watched == EditFilter && event->type() == QEvent::FocusOut) {
    EditFilterExit();
  } else if (watched == ChBFiltered && event->type() == QEvent::Enter) {
    ChBFilteredMouseEnter();
  } else if (watched == CBFastTransition->view()->window() && event->type() == QEvent::Hide) {
    CBFastTransitionCloseUp();
  }
  return false;
}

void TForm1::Button1Click() {
  ++CurrentItem;
  ShowFeedItem(CurrentItem);
}

void TForm1::Button2Click() {
  --CurrentItem;
  ShowFeedItem(CurrentItem);
}

void TForm1::CBFastTransitionClick(int index) {
  if (index < 0)
    return;
  CurrentItem = index;
  ShowFeedItem(CurrentItem);
}

void TForm1::CBFastTransitionCloseUp() {
  KivTabSet1->setFocus(Qt::OtherFocusReason);
}

void TForm1::setFilterHint() {
  const QString hint = ChBFiltered->isChecked() ? u"Отключить фильтр"_s : u"Включить фильтр"_s;
  SetControlHint(ChBFiltered, hint);
}

void TForm1::ChBFilteredClick() {
  setFilterHint();
  FilterKeyPending = false;
  FilterChanged = true;
  Timer2Timer(ChBFiltered);
}

void TForm1::ChBFilteredMouseEnter() {
  if (ChBFiltered->isEnabled())
    setFilterHint();
}

// Acts on a release with no Shift, Ctrl or Alt held, so releasing the Shift
// of a capital letter counts and releasing the letter itself does not.
void TForm1::EditFilterKeyUp(Qt::KeyboardModifiers modifiers) {
  if (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
    return;
  const QString text = EditFilter->text();
  ChBFiltered->setEnabled(!text.isEmpty());
  FilterKeyPending = true;
  if (text != FilterText)
    Timer2->start();
  else
    Timer2->stop();
  FilterText = text;
  FilterChanged = true;
}

void TForm1::EditFilterExit() {
  EditFilter->deselect();
  EditFilter->setCursorPosition(0);
}

// The filter as the controls set it now, prepared once for a whole walk.
TItemFilter TForm1::itemFilter() const {
  TKeywordFilter filter;
  filter.text = EditFilter->text();
  filter.inForce = filterBoxOn();
  filter.joinWithOr = FFormSetting && FFormSetting->filterUsesOr();
  const auto prepared = std::make_shared<const TPreparedFilter>(filter);
  if (prepared->acceptsEverything())
    return {};
  return [prepared](const QString &text) { return prepared->matches(text); };
}
