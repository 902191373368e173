// The navigation bar's controls handed to the reader: stepping, the jump
// list, the archive button and the keyword filter with its typing pause.
#include "app/ControlHint.h"
#include "app/Unit1.h"
#include "components/KivTabSet.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

void TForm1::bindNavigation() {
  connect(Button1, &QPushButton::clicked, FReader, &TReader::stepForward);
  connect(Button2, &QPushButton::clicked, FReader, &TReader::stepBack);
  connect(Button3, &QPushButton::clicked, FReader, &TReader::archiveButton);
  connect(CBFastTransition, &QComboBox::activated, FReader, &TReader::jumpTo);
  CBFastTransition->view()->window()->installEventFilter(this);
  connect(ChBFiltered, &QCheckBox::toggled, FReader, &TReader::setFilterTicked);
  connect(ChBFiltered, &QCheckBox::clicked, this, &TForm1::ChBFilteredClick);
  ChBFiltered->installEventFilter(this);
  connect(EditFilter, &QLineEdit::textChanged, FReader, &TReader::setFilterText);
  EditFilter->installEventFilter(this);
  connect(Timer1, &QTimer::timeout, FReader, &TReader::refresh);
  FTickHandlers.insert(Timer1, [this] { FReader->refresh(); });
  connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(false); });
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
    KivTabSet1->setFocus(Qt::OtherFocusReason);
  }
  return false;
}

void TForm1::setFilterHint() {
  const QString hint = ChBFiltered->isChecked() ? u"Отключить фильтр"_s : u"Включить фильтр"_s;
  SetControlHint(ChBFiltered, hint);
}

void TForm1::ChBFilteredClick() {
  setFilterHint();
  FReader->filterClicked();
  Timer2Timer(true);
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
  if (FReader->filterKeyUp())
    Timer2->start();
  else
    Timer2->stop();
}

void TForm1::EditFilterExit() {
  EditFilter->deselect();
  EditFilter->setCursorPosition(0);
}
