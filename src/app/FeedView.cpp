// The main window's side of feed reading: the header above the item view,
// and one item at a time in it.
#include "app/RSSViewItem.h"
#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "components/URLLbl.h"
#include "feeds/FeedWalk.h"
#include "feeds/TextNormalisation.h"
#include "platform/TextFile.h"
#include "settings/RSSItemData.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

const QString kDocument = u"Документ"_s;

// A web page is no broken feed: the user pasted the board's page, not its feed.
QString withParserMessage(const QString &text, const TFeedParseResult &parsed) {
  if (parsed.status == TFeedParseResult::WebPage)
    return u"Это веб-страница, а не RSS-лента."_s;
  if (parsed.status == TFeedParseResult::ParseError)
    return text + u"\r\n"_s + parsed.message;
  return text;
}

} // namespace

int TForm1::selectedFeedIndex() const {
  const QList<QAction *> categories = N3->actions();
  for (const QAction *category : categories) {
    if (category->isChecked())
      return category->data().toInt();
  }
  return -1;
}

bool TForm1::filterBoxOn() const {
  return !ChBFiltered->isHidden() && ChBFiltered->isEnabled() && ChBFiltered->isChecked();
}

bool TForm1::keywordFilterInForce() const {
  return filterBoxOn() && !EditFilter->text().isEmpty();
}

bool TForm1::LoadFeedHeader() {
  if (FDestroying)
    return false;
  Button2->setEnabled(false);
  Button1->setEnabled(false);
  CBFastTransition->clear();
  CBFastTransition->setEnabled(false);
  const int feed = selectedFeedIndex();
  const int tab = KivTabSet1->TabIndex();
  if (feed == -1 || tab < 0)
    return false;
  const auto *site = KivTabSet1->TabsList().objects(tab).value<TRSSItemData *>();
  const QString address = site ? site->RSSURLs.value(feed) : QString();
  if (address.isEmpty()) {
    ReportStatus(3, kDocument, u"Не определен URL RSS ленты."_s);
    PlayEventSound(1);
    return false;
  }
  const QString path = FeedFileName(tab, address);
  // An empty archive file (left by a failed first write) is a new archive too.
  if (tab == 0 && QFileInfo(path).size() == 0)
    WriteTextFile(path, ArchiveTemplate);
  if (!QFile::exists(path)) {
    XMLDocument1.setFileName(QString());
    ReportStatus(3, kDocument, u"Файл не найден: \r"_s + path);
    return false;
  }
  XMLDocument1.deactivate();
  XMLDocument1.setFileName(path);
  const TFeedParseResult parsed = XMLDocument1.activate();
  if (!parsed.ok()) {
    XMLDocument1.deactivate();
    ClearView();
    ReportStatus(3, kDocument,
                 withParserMessage(u"Ошибка парсинга заголовка XML-документа."_s, parsed));
    PlayEventSound(1);
    return false;
  }
  showFeedHeader(XMLDocument1.content());
  XMLDocument1.deactivate();
  ReportStatus(-1, kDocument, u"Файл загружен."_s);
  return true;
}

// The channel's fields are shown exactly as the feed wrote them.
void TForm1::showFeedHeader(const TFeedContent &content) {
  if (!content.rootHasChildren)
    return;
  FeedTitleLabel->setText(content.title);
  FeedTitleLabel->setURL(content.link);
  const QString date = content.lastBuildDate.isEmpty() ? u"неизвестно"_s : content.lastBuildDate;
  FeedInfoLabel->setText(u"Обновлено: "_s + date);
}

// Nothing on screen: nothing to archive or step from. The view itself is
// gone once the window has closed.
void TForm1::emptyItemView() {
  FItemShown = false;
  for (QPushButton *button : {Button1, Button2, Button3})
    button->setEnabled(false);
  if (!ItemView)
    return;
  ItemView->FViRSSTitle->clear();
  ItemView->FViRSSTitle->setURL(QString());
  ItemView->setDescription(QString());
  ItemView->FViRSSPubDate->clear();
  ItemView->FViRSSCategory->clear();
  ItemView->FViRSSCategory->hide();
  ItemView->FViRSSComments->clear();
  ItemView->FViRSSComments->setURL(QString());
  ItemView->FViRSSComments->hide();
}

void TForm1::showItem(const TWalkItem &visible) {
  const TFeedItem &item = *visible.item;
  ItemView->FViRSSTitle->setText(item.title());
  ItemView->FViRSSTitle->setURL(item.link());
  ItemView->setDescription(item.description());
  QString date = NormaliseText(item.raw(TFeedItem::PubDate));
  if (date.isEmpty())
    date = NormaliseText(item.raw(TFeedItem::DcDate));
  ItemView->FViRSSPubDate->setText(date);
  const QString category = NormaliseText(item.raw(TFeedItem::Category));
  ItemView->FViRSSCategory->setText(category);
  ItemView->FViRSSCategory->setVisible(!category.isEmpty());
  const QString comments = NormaliseText(item.raw(TFeedItem::Comments));
  ItemView->FViRSSComments->setText(comments.isEmpty() ? QString() : u"Комментарии"_s);
  ItemView->FViRSSComments->setURL(comments);
  ItemView->FViRSSComments->setVisible(!comments.isEmpty());
  CurrentItem = visible.position;
  ReportStatus(-1, kDocument, u"Элемент %1 загружен."_s.arg(visible.position + 1));
}

void TForm1::ShowFeedItem(int position) {
  if (FDestroying)
    return;
  ItemCount = 0;
  int visibleItems = 0;
  int items = 0;
  bool shown = false;
  bool parseFailed = false;
  emptyItemView();
  if (XMLDocument1.fileExists()) {
    const TFeedParseResult parsed = XMLDocument1.activate();
    if (!parsed.ok()) {
      XMLDocument1.deactivate();
      ClearView();
      parseFailed = true;
      ReportStatus(3, kDocument,
                   withParserMessage(u"Ошибка парсинга элемента XML-документа."_s, parsed));
      PlayEventSound(1);
    } else if (position >= 0 && XMLDocument1.content().rootHasChildren) {
      items = WalkFeedItems(XMLDocument1.content(), itemFilter(), [&](const TWalkItem &visible) {
        if (visible.position == position) {
          showItem(visible);
          shown = true;
        }
        ++visibleItems;
        return true;
      });
    }
  }
  XMLDocument1.deactivate();
  FItemShown = shown;
  if (!parseFailed)
    reportShownItem(shown, items);
  if (FDestroying)
    return;
  ItemCount = visibleItems;
  updateNavigation();
}

void TForm1::reportShownItem(bool shown, int items) {
  if (shown) {
    if (keywordFilterInForce())
      PlayEventSound(7);
  } else if (items >= 1) {
    ReportStatus(1, kDocument, u"Элемент не найден."_s);
    PlayEventSound(8);
  } else {
    ReportStatus(1, kDocument,
                 XMLDocument1.fileExists() ? u"Список пуст."_s : u"Файл не найден."_s);
    PlayEventSound(9);
  }
}

// Everything here follows the item actually on screen: a position past the
// end of a feed that shrank shows none, and then nothing can be archived or
// stepped from; the jump list offers the items to go back to.
void TForm1::updateNavigation() {
  Button2->setEnabled(FItemShown && CurrentItem > 0);
  Button1->setEnabled(FItemShown && ItemCount - 1 > CurrentItem);
  // Stepping through a long feed keeps the same count; rebuilding a thousand
  // entries on every step would cost more than the step itself.
  if (CBFastTransition->count() != ItemCount) {
    CBFastTransition->clear();
    QStringList numbers;
    numbers.reserve(ItemCount);
    for (int i = 1; i <= ItemCount; ++i)
      numbers.append(QString::number(i));
    CBFastTransition->addItems(numbers);
  }
  CBFastTransition->setCurrentIndex(FItemShown ? CurrentItem : -1);
  CBFastTransition->setEnabled(CBFastTransition->count() > (FItemShown ? 1 : 0));
  Button3->setEnabled(FItemShown);
}

int TForm1::FindItemPosition(const QString &link) {
  return ::FindItemPosition(XMLDocument1, link, itemFilter());
}
