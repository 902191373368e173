#pragma once

#include <QRect>
#include <QWidget>

class QVariantAnimation;

// The rectangle a flight from `from` to `to` has reached at `progress`
// (0 = start, 1 = end; values outside are held at the ends).
QRect TweenRect(const QRect &from, const QRect &to, double progress);

// A frame that flies between the tray icon and the window as the window is
// shown from the tray or hidden to it. It only draws: it takes no input and no
// focus, never delays the show or hide it goes with, and a new flight cuts the
// one under way short, as does any wait of the GUI thread.
class TTrayAnimation : public QWidget {
  Q_OBJECT
public:
  explicit TTrayAnimation(QWidget *owner);

  void fly(const QRect &from, const QRect &to);
  void stop();
  bool isFlying() const;

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  void step(double progress);

  QVariantAnimation *FAnimation;
  QRect FFrom;
  QRect FTo;
};
