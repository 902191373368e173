// "Сохранить" with a board's page typed where its feed belongs: the page is
// fetched once, and the feeds it names take its place.
#include "platform/TransferAside.h"
#include "settings/FeedChooser.h"
#include "settings/FeedFinder.h"
#include "settings/RSSItem.h"
#include "settings/SettingsHost.h"
#include "settings/Unit2.h"

#include <QLabel>

using namespace Qt::StringLiterals;

// Hiding the window, or the program closing, ends a search: what was typed
// is saved as it stands.
bool TFormSetting::closingDown() const {
  return !isVisible() || (FHost && FHost->destroying());
}

void TFormSetting::findFeedsInRows() {
  const TFinderTransfer transfer = [this](const QString &url, const QString &file) {
    return TransferAside(FinderOptions(), url, file, [this] { return closingDown(); });
  };
  for (TRSSItem *row : feedRows()) {
    const QString address = row->address();
    if (closingDown() || !NeedsFinding(address, Sites))
      continue;
    showStatus(u"Поиск лент: "_s + address);
    const TFoundFeeds found = FindFeeds(address, transfer);
    if (!found.message.isEmpty())
      FFindings << found.message;
    if (found.kind == TFoundFeeds::Links && found.links.size() == 1)
      takeFeeds(row, found.links);
    else if (found.kind == TFoundFeeds::Links)
      FChoices << TPendingChoice{row, address, found.links};
  }
  showStatus(QString());
}

// One page at a time; the save goes on once the last choice is made. A page
// whose choice is cancelled stays in its row as typed.
void TFormSetting::chooseFeeds() {
  if (closingDown())
    FChoices.clear();
  if (FChoices.isEmpty()) {
    commitRows();
    return;
  }
  const TPendingChoice next = FChoices.takeFirst();
  auto *chooser = new TFeedChooser(next.page, next.links, this);
  chooser->setAttribute(Qt::WA_DeleteOnClose);
  connect(chooser, &QDialog::finished, this, [this, chooser, row = next.row] {
    if (row)
      takeFeeds(row, chooser->chosen());
    chooseFeeds();
  });
  chooser->open();
}

// The first feed takes the page's place, named by the feed when the row had
// no name; the others follow as rows of their own, unless a row has them.
void TFormSetting::takeFeeds(TRSSItem *row, const QList<TFeedLink> &links) {
  if (links.isEmpty())
    return;
  const TFeedLink &first = links.constFirst();
  row->setTexts(row->name().trimmed().isEmpty() ? first.title : row->name(), first.address);
  for (const TFeedLink &link : links.mid(1)) {
    const QList<TRSSItem *> rows = feedRows();
    if (std::none_of(rows.cbegin(), rows.cend(),
                     [&link](const TRSSItem *r) { return r->address() == link.address; }))
      addFeedRow(link.title, link.address);
  }
}

void TFormSetting::showStatus(const QString &text) {
  LStatus->setText(text);
  LStatus->setVisible(!text.isEmpty());
}
