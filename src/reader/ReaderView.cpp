// The feed's header and one item at a time, the steps between the visible
// items, and the keyword filter that decides which are visible.
#include "feeds/TextNormalisation.h"
#include "platform/TextFile.h"
#include "reader/Reader.h"

#include <QFile>
#include <QFileInfo>

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

bool TReader::LoadFeedHeader() {
  if (closing())
    return false;
  FView.backOn = FView.nextOn = false;
  FView.jumpCount = 0;
  FView.jumpPosition = -1;
  FView.jumpOn = false;
  const int feed = FView.category, tab = FView.tab;
  if (feed == -1 || tab < 0)
    return false;
  const QString address = site(tab) ? site(tab)->RSSURLs.value(feed) : QString();
  if (address.isEmpty()) {
    report(TStatusKind::Error, kDocument, u"Не определен URL RSS ленты."_s);
    sound(TEventSoundId::Error);
    return false;
  }
  const QString path = FeedFileName(tab, address);
  // An empty archive file (left by a failed first write) is a new archive too.
  if (tab == 0 && QFileInfo(path).size() == 0)
    WriteTextFile(path, FArchiveTemplate);
  if (!QFile::exists(path)) {
    FDocument.setFileName(QString());
    report(TStatusKind::Error, kDocument, u"Файл не найден: \r"_s + path);
    return false;
  }
  FDocument.deactivate();
  FDocument.setFileName(path);
  const TFeedParseResult parsed = FDocument.activate();
  if (!parsed.ok()) {
    FDocument.deactivate();
    clearView();
    report(TStatusKind::Error, kDocument,
           withParserMessage(u"Ошибка парсинга заголовка XML-документа."_s, parsed));
    sound(TEventSoundId::Error);
    return false;
  }
  // The channel's fields are shown exactly as the feed wrote them.
  if (const TFeedContent &content = FDocument.content(); content.rootHasChildren) {
    FView.feedTitle = content.title;
    FView.feedLink = content.link;
    FView.feedInfo = u"Обновлено: "_s +
                     (content.lastBuildDate.isEmpty() ? u"неизвестно"_s : content.lastBuildDate);
  }
  FDocument.deactivate();
  report(TStatusKind::Silent, kDocument, u"Файл загружен."_s);
  return true;
}

// Nothing on screen: nothing to archive or step from.
void TReader::emptyItem() {
  FView.itemShown = false;
  FView.item = {};
  FView.backOn = FView.nextOn = FView.archiveOn = false;
}

void TReader::clearView() {
  Q_EMIT statusCleared();
  FView.feedTitle.clear();
  FView.feedLink.clear();
  FView.feedInfo.clear();
  emptyItem();
  FCurrentItem = 0;
  FItemCount = 0;
  FView.jumpCount = 0;
  FView.jumpPosition = -1;
  FView.jumpOn = false;
  changed();
}

void TReader::showItem(const TWalkItem &visible) {
  const TFeedItem &item = *visible.item;
  QString date = NormaliseText(item.raw(TFeedItem::PubDate));
  if (date.isEmpty())
    date = NormaliseText(item.raw(TFeedItem::DcDate));
  FView.item = {item.title(),
                item.link(),
                date,
                NormaliseText(item.raw(TFeedItem::Category)),
                item.description(),
                NormaliseText(item.raw(TFeedItem::Comments))};
  FCurrentItem = visible.position;
  report(TStatusKind::Silent, kDocument, u"Элемент %1 загружен."_s.arg(visible.position + 1));
}

void TReader::ShowFeedItem(int position) {
  if (closing())
    return;
  FItemCount = 0;
  int visibleItems = 0, items = 0;
  bool shown = false, parseFailed = false;
  emptyItem();
  if (FDocument.fileExists()) {
    const TFeedParseResult parsed = FDocument.activate();
    if (!parsed.ok()) {
      FDocument.deactivate();
      clearView();
      parseFailed = true;
      report(TStatusKind::Error, kDocument,
             withParserMessage(u"Ошибка парсинга элемента XML-документа."_s, parsed));
      sound(TEventSoundId::Error);
    } else if (position >= 0 && FDocument.content().rootHasChildren) {
      items = WalkFeedItems(FDocument.content(), itemFilter(), [&](const TWalkItem &visible) {
        if (visible.position == position) {
          showItem(visible);
          shown = true;
        }
        ++visibleItems;
        return true;
      });
    }
  }
  FDocument.deactivate();
  FView.itemShown = shown;
  if (!parseFailed)
    reportShownItem(shown, items);
  if (closing())
    return;
  FItemCount = visibleItems;
  updateNavigation();
  changed();
}

void TReader::reportShownItem(bool shown, int items) {
  if (shown) {
    if (keywordFilterInForce())
      sound(TEventSoundId::ItemFound);
  } else if (items >= 1) {
    report(TStatusKind::Information, kDocument, u"Элемент не найден."_s);
    sound(TEventSoundId::ItemMissing);
  } else {
    report(TStatusKind::Information, kDocument,
           FDocument.fileExists() ? u"Список пуст."_s : u"Файл не найден."_s);
    sound(TEventSoundId::ListEmpty);
  }
}

// Everything here follows the item actually on screen: a position past the
// end of a feed that shrank shows none, and then nothing can be archived or
// stepped from; the jump list offers the items to go back to.
void TReader::updateNavigation() {
  const bool shown = FView.itemShown;
  FView.backOn = shown && FCurrentItem > 0;
  FView.nextOn = shown && FItemCount - 1 > FCurrentItem;
  FView.jumpCount = FItemCount;
  FView.jumpPosition = shown ? FCurrentItem : -1;
  FView.jumpOn = FItemCount > (shown ? 1 : 0);
  FView.archiveOn = shown;
}

void TReader::jumpTo(int position) {
  if (position < 0)
    return;
  FCurrentItem = position;
  ShowFeedItem(position);
}

int TReader::FindItemPosition(const QString &link) {
  return ::FindItemPosition(FDocument, link, itemFilter());
}

void TReader::setFilterText(const QString &text) {
  FEditText = text;
}

void TReader::restoreFilter(const QString &text, bool ticked) {
  FEditText = FFilterText = text;
  FFilterTicked = ticked;
  FView.filterBoxOn = !text.isEmpty();
  changed();
}

bool TReader::filterKeyUp() {
  FView.filterBoxOn = !FEditText.isEmpty();
  FFilterKeyPending = true;
  const bool restart = FEditText != FFilterText;
  FFilterText = FEditText;
  FFilterChanged = true;
  changed();
  return restart;
}

void TReader::filterClicked() {
  FFilterKeyPending = false;
  FFilterChanged = true;
}

// Every key typed sets the flag again: the filter waits for one whole tick
// without typing.
bool TReader::filterPauseOver() {
  return !std::exchange(FFilterKeyPending, false);
}

void TReader::applyFilter(bool fromTickBox) {
  if (closing() || FView.categories.isEmpty() || (!FFilterTicked && !fromTickBox))
    return;
  reloadCategory();
}

// The words of the filter box joined as the settings say, when the box is
// ticked; the window need not be on screen for that.
TKeywordFilter TReader::keywordFilter() const {
  return {FEditText, FView.filterBoxOn && FFilterTicked, FHooks.options().filterUsesOr};
}

bool TReader::keywordFilterInForce() const {
  return FView.filterBoxOn && FFilterTicked && !FEditText.isEmpty();
}

// The filter as it stands now, prepared once for a whole walk.
TItemFilter TReader::itemFilter() const {
  const auto prepared = std::make_shared<const TPreparedFilter>(keywordFilter());
  if (prepared->acceptsEverything())
    return {};
  return [prepared](const QString &text) { return prepared->matches(text); };
}
