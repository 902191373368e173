#pragma once

#include <QObject>

class QWidget;

// Catches the status tips (hints) of a window's controls before they travel
// up to the window, so that the status line learns which control each came
// from.
class TStatusTips : public QObject {
  Q_OBJECT
public:
  explicit TStatusTips(QWidget *window);

Q_SIGNALS:
  // An empty tip: the pointer left `source`; `toPopup`: for a pop-up.
  void tip(const QObject *source, const QString &text, bool toPopup);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  QWidget *FWindow;
};
