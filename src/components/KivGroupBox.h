#pragma once

#include "components/KivColor.h"

#include <QMargins>
#include <QString>
#include <QWidget>

class QPainter;

// Left edge of the caption on the top line: clear of the corner's curve by a
// fixed gap, or centred. Right-to-left reading order always puts it on the
// right, whatever the alignment.
int KivGroupBoxCaptionLeft(int width, int captionWidth, int radius, Qt::Alignment alignment,
                           bool rightToLeft);
// Room between the box's edge and the rectangle its controls are laid out in.
QMargins KivGroupBoxClientMargins(int captionHeight, bool hasCaption, bool ctl3D);
// The frame's top line runs through the middle of the caption line.
int KivGroupBoxFrameTop(int captionHeight, bool hasCaption);

// A captioned frame around a group of controls: rounded corners of a chosen
// radius, a caption aligned left, right or centred, an etched double line
// (Ctl3D) or a plain one in ColorSimpleFrame. Enabling or disabling the box
// does the same to every control directly inside it.
//
// Colours come from the palette: the caption from the foreground role
// (WindowText), the inside of the frame and the caption's background from the
// background role (Window), and outside the frame the parent's background
// role, so the rounded corners blend into whatever the box sits on.
class TKivGroupBox : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
  Q_PROPERTY(Qt::Alignment Alignment READ Alignment WRITE setAlignment)
  Q_PROPERTY(int Radius READ Radius WRITE setRadius)
  Q_PROPERTY(TKivColor ColorSimpleFrame READ ColorSimpleFrame WRITE setColorSimpleFrame)
  Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE setCtl3D)
public:
  explicit TKivGroupBox(QWidget *parent = nullptr);

  QString Caption() const { return FCaption; }
  void setCaption(const QString &caption);
  // One of Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter; any other
  // horizontal flag reads as left.
  Qt::Alignment Alignment() const { return FAlignment; }
  void setAlignment(Qt::Alignment alignment);
  // Corner radius in pixels, never negative.
  int Radius() const { return FRadius; }
  void setRadius(int radius);
  TKivColor ColorSimpleFrame() const { return FColorSimpleFrame; }
  void setColorSimpleFrame(const TKivColor &color);
  bool Ctl3D() const { return FCtl3D; }
  void setCtl3D(bool ctl3D);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void changeEvent(QEvent *event) override;
  void paintEvent(QPaintEvent *event) override;

private:
  int captionHeight() const;
  QSize captionExtent() const;
  QSize frameMinimumSize() const;
  QColor parentColor() const;
  void updateClientArea();
  void followOwnEnabled();
  void paintFrame(QPainter &canvas, const QRect &frame) const;
  void paintCaption(QPainter &canvas) const;
  void roundRect(QPainter &canvas, const QRect &rect, const QColor &penColor) const;

  QString FCaption;
  Qt::Alignment FAlignment = Qt::AlignLeft;
  int FRadius = 4;
  TKivColor FColorSimpleFrame{KivSystemColor::WindowFrame};
  bool FCtl3D = true;
  bool FOwnEnabled = true;
};
