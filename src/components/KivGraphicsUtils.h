#pragma once

#include "components/KivColor.h"

#include <QColor>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>

class QPainter;

enum TFillDirection {
  fdTopToBottom,
  fdBottomToTop,
  fdLeftToRight,
  fdRightToLeft,
  fdEllipse,
  fdOval
};

// Tells the user that a gradient setting was out of range. Tests and headless
// callers replace it; by default (and after SetKivMessageHandler(nullptr)) it is
// a warning box over the owner's window.
using TKivMessageHandler = std::function<void(const QString &message)>;
void SetKivMessageHandler(TKivMessageHandler handler);
void ShowKivMessage(const QString &message, QWidget *owner = nullptr);

// What every gradient setting object has: rounded ends, on/off, direction,
// the two end colours and the control to repaint when one of them changes.
// The owner is referenced, not owned.
class TKivGradientSettings {
public:
  virtual ~TKivGradientSettings() = default;

  quint16 Radius() const { return FRadius; }
  void setRadius(quint16 radius);
  bool GradientUse() const { return FGradientUse; }
  void setGradientUse(bool use);
  TFillDirection GradientMode() const { return FGradientMode; }
  void setGradientMode(TFillDirection mode);
  TKivColor ColorStart() const { return FColorStart; }
  void setColorStart(const TKivColor &color);
  TKivColor ColorEnd() const { return FColorEnd; }
  void setColorEnd(const TKivColor &color);

  QWidget *owner() const { return FOwner; }
  void setOwner(QWidget *owner) { FOwner = owner; }
  // The palette that resolves desktop colours: the owner's, else the application's.
  QPalette palette() const;

protected:
  TKivGradientSettings(QWidget *owner, const QColor &start, const QColor &end)
      : FOwner(owner), FColorStart(start), FColorEnd(end) {}
  void changed();

private:
  QPointer<QWidget> FOwner;
  quint16 FRadius = 2;
  bool FGradientUse = true;
  TFillDirection FGradientMode = fdTopToBottom;
  TKivColor FColorStart;
  TKivColor FColorEnd;
};

// Two-colour gradient settings: white to silver unless told otherwise.
class TGradientCustom : public TKivGradientSettings {
public:
  explicit TGradientCustom(QWidget *owner = nullptr)
      : TKivGradientSettings(owner, QColor(0xFF, 0xFF, 0xFF), QColor(0xC0, 0xC0, 0xC0)) {}
};

class TKivGradientCustom : public TGradientCustom {
public:
  using TGradientCustom::TGradientCustom;
};

// Three-colour gradient settings: start to middle over MiddleTop of the
// extent, a solid middle band over MiddleWidth of the rest, middle to end.
class TThreeColorsGradientCustom : public TKivGradientSettings {
public:
  explicit TThreeColorsGradientCustom(QWidget *owner = nullptr)
      : TKivGradientSettings(owner, QColor(0xC0, 0xC0, 0xC0), QColor(0x80, 0x80, 0x80)) {}

  TKivColor ColorMiddle() const { return FColorMiddle; }
  void setColorMiddle(const TKivColor &color);
  double MiddleTop() const { return FMiddleTop; }
  void setMiddleTop(double share);
  double MiddleWidth() const { return FMiddleWidth; }
  void setMiddleWidth(double share);

private:
  TKivColor FColorMiddle{QColor(0xFF, 0xFF, 0xFF)};
  double FMiddleTop = 0.25;
  double FMiddleWidth = 0.1;
};

class TKivThreeColorsGradientCustom : public TThreeColorsGradientCustom {
public:
  using TThreeColorsGradientCustom::TThreeColorsGradientCustom;
};

// Channel value at step i of n from a to b, the division truncating towards zero.
int InterpolateChannel(int a, int b, int i, int n);
// Step i of n from one RGB colour to another; `from` when n is 0.
QColor InterpolateColor(const QColor &from, const QColor &to, int i, int n);
// How far line i of a linear fill of the given extent is shortened at each end
// so that the first and last `radius` lines round the ends.
int RoundedInset(int radius, int i, int extent);

// Paint line by line (or ring by ring, outside in) with solid, pixel-aligned
// rectangles, so that every pixel's colour is exactly the arithmetic's at any
// device pixel ratio. The painter's state is left as it was.
void FillGradient(QPainter &canvas, const QRect &rect, const TGradientCustom &gradient,
                  bool swap = false);
void FillGradient3(QPainter &canvas, const QRect &rect, const TThreeColorsGradientCustom &gradient);

// Lightens or darkens each channel by up to `amount` (0 to 255), in proportion
// to how far the channel is from white or black.
QColor ShadeColor(const QColor &color, int amount, bool lighten);
