#pragma once

#include "zentara/ZentaraPage.h"

#include <QList>
#include <QScrollArea>

class QVBoxLayout;
class TURLLabel;

// The side panel's scroll box: a column of clickable labels made from the
// news page, scrolled by the wheel a few pixels at a time. Every label is
// plain text; a label opens its link only for http, https and mailto.
class TScrollBoxAdvertising : public QScrollArea {
  Q_OBJECT
public:
  explicit TScrollBoxAdvertising(QWidget *parent = nullptr);

  // Replaces the labels by those of the page, closed by an empty line of
  // spacerPointSize points that keeps the last one off the bottom edge.
  void RenderZentaraPage(const QString &page, int spacerPointSize);
  // Appends one label at the bottom of the column.
  void AddZentaraLabel(const TZentaraLabel &label);
  void ClearZentaraPanel();
  // The labels, top to bottom.
  QList<TURLLabel *> labels() const;

  static constexpr int VertScrollBarIncrement = 4;
  // Larger sizes are taken as this: a page could ask for glyphs larger than
  // any screen and make every repaint crawl.
  static constexpr int MaxFontSize = 72;

protected:
  void mousePressEvent(QMouseEvent *event) override;
  void wheelEvent(QWheelEvent *event) override;

private:
  void ScrollBoxAdvertisingClick();

  QWidget *FColumn;
  QVBoxLayout *FColumnLayout;
  int FWheelAngle = 0; // what the wheel has turned short of a whole notch
};
