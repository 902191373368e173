#pragma once

#include <QFrame>

class QLabel;
class QTextEdit;
class TURLLabel;

// The panel that shows one feed item: title link, date, category, comments
// link, and the description filling the rest.
class TRSSViewItem : public QFrame {
  Q_OBJECT
public:
  explicit TRSSViewItem(QWidget *parent = nullptr);

  // The description exactly as the feed gave it, CR LF line breaks and all;
  // the memo shows it with ordinary line breaks.
  QString Description() const { return FDescription; }
  void setDescription(const QString &text);

  TURLLabel *FViRSSTitle;
  QLabel *FViRSSPubDate;
  QLabel *FViRSSCategory;
  QTextEdit *FViRSSDescription;
  TURLLabel *FViRSSComments;

private:
  QString FDescription;
};
