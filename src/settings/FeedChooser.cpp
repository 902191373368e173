#include "settings/FeedChooser.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TFeedChooser::TFeedChooser(const QString &page, const QList<TFeedLink> &links, QWidget *parent)
    : QDialog(parent), FLinks(links), LBFeeds(new QListWidget(this)) {
  setObjectName(u"FeedChooser"_s);
  setWindowTitle(u"Выбор ленты"_s);
  setWindowModality(Qt::WindowModal);
  auto *caption = new QLabel(u"На странице %1 найдено несколько лент. Первая отмеченная займёт "
                             u"место адреса страницы, остальные отмеченные станут новыми "
                             u"строками."_s.arg(page),
                             this);
  caption->setTextFormat(Qt::PlainText); // the page's address is anyone's text
  caption->setWordWrap(true);
  LBFeeds->setObjectName(u"LBFeeds"_s);
  LBFeeds->setAccessibleName(u"Ленты"_s);
  caption->setBuddy(LBFeeds);
  for (const TFeedLink &link : links) {
    auto *item = new QListWidgetItem(link.title + u"\n"_s + link.address, LBFeeds);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(LBFeeds->count() == 1 ? Qt::Checked : Qt::Unchecked);
  }
  LBFeeds->setCurrentRow(0);
  auto *buttons = new QDialogButtonBox(this);
  buttons->addButton(u"Выбрать"_s, QDialogButtonBox::AcceptRole);
  buttons->addButton(u"Оставить адрес страницы"_s, QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto *column = new QVBoxLayout(this);
  column->addWidget(caption);
  column->addWidget(LBFeeds, 1);
  column->addWidget(buttons);
}

QList<TFeedLink> TFeedChooser::chosen() const {
  QList<TFeedLink> ticked;
  for (int i = 0; result() == Accepted && i < LBFeeds->count(); ++i) {
    if (LBFeeds->item(i)->checkState() == Qt::Checked)
      ticked << FLinks.at(i);
  }
  return ticked;
}
