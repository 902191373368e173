// The window draws what the reader shows, in one place: the tab strip, the
// menus, the feed's header, the item, and the navigation bar.
#include "app/RSSViewItem.h"
#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "components/URLLbl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include <utility>

using namespace Qt::StringLiterals;

void TForm1::render() {
  if (FDestroying)
    return;
  const TReaderView &view = FReader->view();
  const bool rendering = std::exchange(FRendering, true);
  TKivTabsList &tabs = KivTabSet1->TabsList();
  bool same = tabs.count() == view.sites.size();
  for (int i = 0; same && i < tabs.count(); ++i)
    same = tabs.strings(i) == view.sites.at(i);
  if (!same) {
    KivTabSet1->setUpdatesEnabled(false);
    tabs.Clear();
    for (const QString &site : view.sites)
      tabs.Add(site);
    KivTabSet1->setUpdatesEnabled(true);
    syncWatchMarks();
  }
  KivTabSet1->setTabIndex(view.tab);
  FRendering = rendering;
  renderMenus(view);
  if (FeedTitleLabel) {
    FeedTitleLabel->setText(view.feedTitle);
    FeedTitleLabel->setURL(view.feedLink);
    FeedInfoLabel->setText(view.feedInfo);
  }
  renderItem(view);
  renderNavigation(view);
}

void TForm1::renderItem(const TReaderView &view) {
  if (!ItemView)
    return; // gone once the window has closed
  const TArchiveItem &item = view.item;
  ItemView->FViRSSTitle->setText(item.title);
  ItemView->FViRSSTitle->setURL(item.link);
  if (ItemView->Description() != item.description)
    ItemView->setDescription(item.description);
  ItemView->FViRSSPubDate->setText(item.pubDate);
  ItemView->FViRSSCategory->setText(item.category);
  ItemView->FViRSSCategory->setVisible(!item.category.isEmpty());
  ItemView->FViRSSComments->setText(item.comments.isEmpty() ? QString() : u"Комментарии"_s);
  ItemView->FViRSSComments->setURL(item.comments);
  ItemView->FViRSSComments->setVisible(!item.comments.isEmpty());
}

void TForm1::renderNavigation(const TReaderView &view) {
  Button2->setEnabled(view.backOn);
  Button1->setEnabled(view.nextOn);
  Button3->setEnabled(view.archiveOn);
  Button3->setText(view.archiveTab ? u"Удалить"_s : u"В архив"_s);
  // Stepping through a long feed keeps the same count; rebuilding a thousand
  // entries on every step would cost more than the step itself.
  if (CBFastTransition->count() != view.jumpCount) {
    CBFastTransition->clear();
    QStringList numbers;
    numbers.reserve(view.jumpCount);
    for (int i = 1; i <= view.jumpCount; ++i)
      numbers.append(QString::number(i));
    CBFastTransition->addItems(numbers);
  }
  CBFastTransition->setCurrentIndex(view.jumpPosition);
  CBFastTransition->setEnabled(view.jumpOn);
  ChBFiltered->setEnabled(view.filterBoxOn);
}
