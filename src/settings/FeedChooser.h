#pragma once

#include "feeds/FeedDiscovery.h"

#include <QDialog>

class QListWidget;

// The feeds a page names, to choose from: each with its title and address,
// the first ticked. The first ticked takes the page's place in its row, the
// others ticked become rows of their own.
class TFeedChooser : public QDialog {
  Q_OBJECT
public:
  TFeedChooser(const QString &page, const QList<TFeedLink> &links, QWidget *parent);
  // The ticked feeds, in the page's order; none when the choice was cancelled.
  QList<TFeedLink> chosen() const;

private:
  QList<TFeedLink> FLinks;
  QListWidget *LBFeeds;
};
