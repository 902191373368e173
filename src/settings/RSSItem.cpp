#include "settings/RSSItem.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

using namespace Qt::StringLiterals;

// Only the background changes hands: the rest of the edit's palette (which
// its parent may have set) stays as it is.
void SetEditLocked(QLineEdit *edit, bool locked) {
  const QPalette theme = QApplication::palette(edit);
  QPalette own = edit->palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    own.setColor(group, QPalette::Base,
                 locked ? QColor(0xE7, 0xE7, 0xE7) : theme.color(group, QPalette::Base));
  edit->setPalette(own);
  edit->setEnabled(!locked);
}

TRSSItem::TRSSItem(QWidget *parent)
    : QFrame(parent), FRSSName(new QLineEdit(this)), FRSSURL(new QLineEdit(this)),
      FRSSDel(new QToolButton(this)) {
  setFrameShape(QFrame::NoFrame);
  FRSSName->setObjectName(u"FRSSName"_s);
  FRSSName->setAccessibleName(u"Наименование"_s);
  FRSSName->setFixedWidth(NameWidth);
  FRSSURL->setObjectName(u"FRSSURL"_s);
  FRSSURL->setAccessibleName(u"URL"_s);
  FRSSURL->setMinimumWidth(NameWidth);
  for (QLineEdit *edit : {FRSSName, FRSSURL})
    connect(edit, &QLineEdit::textEdited, this, &TRSSItem::RSSEditChange);

  FRSSDel->setObjectName(u"FRSSDel"_s);
  FRSSDel->setIcon(
      QIcon::fromTheme(u"edit-delete"_s, style()->standardIcon(QStyle::SP_DialogDiscardButton)));
  FRSSDel->setToolTip(u"Удалить"_s);
  FRSSDel->setAccessibleName(u"Удалить"_s);
  FRSSDel->setAutoRaise(true);
  const int side = FRSSURL->sizeHint().height();
  FRSSDel->setFixedSize(side, side);

  auto *row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(Spacing);
  row->addWidget(FRSSName);
  row->addWidget(FRSSURL, 1);
  row->addWidget(FRSSDel);
}

QString TRSSItem::name() const {
  return FRSSName->text();
}

QString TRSSItem::address() const {
  return FRSSURL->text();
}

// Filling a row is not an edit: "Сохранить" stays as it is.
void TRSSItem::setTexts(const QString &name, const QString &address) {
  FRSSName->setText(name);
  FRSSURL->setText(address);
}

void TRSSItem::setLocked(bool locked) {
  SetEditLocked(FRSSName, locked);
  SetEditLocked(FRSSURL, locked);
  FRSSDel->setEnabled(!locked);
}

void TRSSItem::RSSEditChange() {
  if (FButton)
    FButton->setEnabled(true);
}
