#pragma once

#include <QFrame>

class QLabel;
class QPlainTextEdit;
class TURLLabel;

// The panel that shows one feed item: title link, date, category, comments
// link, and the description filling the rest.
class TRSSViewItem : public QFrame {
  Q_OBJECT
public:
  explicit TRSSViewItem(QWidget *parent = nullptr);

  TURLLabel *FViRSSTitle;
  QLabel *FViRSSPubDate;
  QLabel *FViRSSCategory;
  QPlainTextEdit *FViRSSDescription;
  TURLLabel *FViRSSComments;
};
