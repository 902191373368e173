#include "components/URLLbl.h"

#include "platform/Shell.h"

#include <QKeyEvent>
#include <QMouseEvent>

TURLLabel::TURLLabel(QWidget *parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(true);
  setAutoFillBackground(false);
  setAttribute(Qt::WA_TranslucentBackground);
}

void TURLLabel::setURL(const QString &url) {
  if (url == FURL)
    return;
  FURL = url;
  // A link is reachable from the keyboard, shows the pointing hand and tells
  // assistive technologies where it leads; a plain caption is none of these.
  setFocusPolicy(FURL.isEmpty() ? Qt::NoFocus : Qt::TabFocus);
  if (FURL.isEmpty())
    unsetCursor();
  else
    setCursor(Qt::PointingHandCursor);
  setAccessibleDescription(FURL);
  applyLinkLook();
}

void TURLLabel::setURLFontColor(const QColor &color) {
  if (color == FURLFontColor)
    return;
  FURLFontColor = color;
  applyLinkLook();
}

void TURLLabel::applyLinkLook() {
  QPalette pal = palette();
  if (FURL.isEmpty())
    pal.setBrush(QPalette::WindowText,
                 parentWidget() ? parentWidget()->palette().windowText() : QPalette().windowText());
  else
    pal.setColor(QPalette::WindowText, FURLFontColor);
  setPalette(pal);
  if (FURL.isEmpty())
    setUnderline(false);
  update();
}

void TURLLabel::setUnderline(bool on) {
  QFont f = font();
  if (f.underline() == on)
    return;
  f.setUnderline(on);
  setFont(f);
}

void TURLLabel::enterEvent(QEnterEvent *event) {
  if (!FURL.isEmpty())
    setUnderline(true);
  QLabel::enterEvent(event);
}

void TURLLabel::leaveEvent(QEvent *event) {
  if (!FURL.isEmpty())
    setUnderline(false);
  QLabel::leaveEvent(event);
}

void TURLLabel::mousePressEvent(QMouseEvent *event) {
  FPressed = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void TURLLabel::mouseReleaseEvent(QMouseEvent *event) {
  const bool click =
      FPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  FPressed = false;
  QLabel::mouseReleaseEvent(event);
  if (click)
    activate();
}

void TURLLabel::keyPressEvent(QKeyEvent *event) {
  if (!FURL.isEmpty() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
                          event->key() == Qt::Key_Space)) {
    activate();
    return;
  }
  QLabel::keyPressEvent(event);
}

void TURLLabel::activate() {
  Q_EMIT clicked();
  if (!FURL.isEmpty())
    TShell::openUrl(FURL);
}
