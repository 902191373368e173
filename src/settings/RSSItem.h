#pragma once

#include <QFrame>
#include <QPointer>

class QLineEdit;
class QPushButton;
class QToolButton;

// A locked edit is greyed out as well as disabled, so that what cannot be
// changed reads as such at a glance; unlocking gives it the theme's colours back.
void SetEditLocked(QLineEdit *edit, bool locked);

// One feed in the settings window's feed editor: the feed's name, its address
// and a button that asks to remove it. Typing in either edit enables the
// window's "Сохранить" button, so that an edit can be saved.
class TRSSItem : public QFrame {
  Q_OBJECT
public:
  // The name column's width; the window lines its column headings up with it.
  static constexpr int NameWidth = 130;
  static constexpr int Spacing = 2;

  explicit TRSSItem(QWidget *parent = nullptr);

  QString name() const;
  QString address() const;
  void setTexts(const QString &name, const QString &address);
  // The archive's rows can be seen but not changed or removed.
  void setLocked(bool locked);

  QLineEdit *FRSSName;
  QLineEdit *FRSSURL;
  QToolButton *FRSSDel;
  QPointer<QPushButton> FButton; // the window's "Сохранить", not owned; may be none

  void RSSEditChange();
};
