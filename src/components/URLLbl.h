#pragma once

#include <QColor>
#include <QLabel>

// A label that opens its URL in the browser when clicked. Its text is always
// plain text: captions come from feeds written by strangers.
class TURLLabel : public QLabel {
  Q_OBJECT
  Q_PROPERTY(QString URL READ URL WRITE setURL)
  Q_PROPERTY(QColor URLFontColor READ URLFontColor WRITE setURLFontColor)
public:
  explicit TURLLabel(QWidget *parent = nullptr);

  QString URL() const { return FURL; }
  void setURL(const QString &url);
  QColor URLFontColor() const { return FURLFontColor; }
  void setURLFontColor(const QColor &color);

Q_SIGNALS:
  void clicked();

protected:
  void enterEvent(QEnterEvent *event) override;
  void leaveEvent(QEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  void activate();
  void applyLinkLook();
  void setUnderline(bool on);

  QString FURL;
  QColor FURLFontColor{0x00, 0x80, 0xC0};
  bool FPressed = false;
};
