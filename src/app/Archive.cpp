// The archive button: the item on screen goes into the archive from a site's
// tab, and out of it on the archive's own tab.
#include "feeds/Archive.h"

#include "app/RSSViewItem.h"
#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "components/URLLbl.h"
#include "feeds/FeedWalk.h"
#include "platform/TextFile.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

const QString kArchive = u"Архив"_s;

} // namespace

QString TForm1::archiveFileName() const {
  return FeedFileName(0, u"vx_arhive.xml"_s);
}

// A missing or empty file is a new, empty archive.
QString TForm1::readArchive() const {
  const QString content = ReadTextFile(archiveFileName());
  return content.trimmed().isEmpty() ? ArchiveTemplate : content;
}

TArchiveItem TForm1::shownItem() const {
  return {ItemView->FViRSSTitle->text(),   ItemView->FViRSSTitle->URL(),
          ItemView->FViRSSPubDate->text(), ItemView->FViRSSCategory->text(),
          ItemView->Description(),         ItemView->FViRSSComments->URL()};
}

// The file is replaced whole or not at all, so a refused write loses nothing
// and must not be reported as done.
bool TForm1::writeArchive(const QString &content) {
  if (WriteTextFile(archiveFileName(), content))
    return true;
  ReportStatus(3, kArchive, u"Не удалось записать файл архива:\r"_s + archiveFileName());
  PlayEventSound(1);
  return false;
}

void TForm1::Button3Click() {
  if (FDestroying)
    return;
  if (KivTabSet1->TabIndex() != 0)
    addShownItemToArchive();
  else
    removeShownItemFromArchive();
}

void TForm1::addShownItemToArchive() {
  if (!ItemView || !FItemShown) {
    ReportStatus(2, kArchive, u"Не найден элемент для добавления в архив."_s);
    PlayEventSound(1);
    return;
  }
  QString content = readArchive();
  const QString now = ArchiveDate(QDateTime::currentDateTime(), QLocale());
  switch (AddToArchive(content, ArchiveItemTemplate, shownItem(),
                       QApplication::applicationDisplayName(), now)) {
  case TArchiveAddition::Duplicate:
    ReportStatus(1, kArchive, u"Элемент уже существует в архиве."_s);
    PlayEventSound(2);
    return;
  case TArchiveAddition::NoPlace:
    ReportStatus(3, kArchive,
                 u"В файле архива нет места для нового элемента:\r"_s + archiveFileName());
    PlayEventSound(1);
    return;
  case TArchiveAddition::Added:
    break;
  }
  if (!writeArchive(content))
    return;
  ReportStatus(1, kArchive, u"Элемент добавлен в архив."_s);
  PlayEventSound(5);
}

void TForm1::removeShownItemFromArchive() {
  if (!ItemView || !FItemShown)
    return;
  QString content = readArchive();
  if (!RemoveFromArchive(content, ArchiveItemTemplate, shownItem())) {
    // Edited outside the program since it was read: nothing was removed.
    ReportStatus(2, kArchive, u"Элемент не найден в файле архива."_s);
    PlayEventSound(2);
    return;
  }
  if (!writeArchive(content))
    return;
  ReportStatus(1, kArchive, u"Элемент удален из архив."_s);
  --ItemCount;
  if (ItemCount >= 1) {
    // The item after the removed one takes its place; after the last, the
    // one before it.
    if (ItemCount - 1 < CurrentItem)
      --CurrentItem;
    CurrentItem = std::max(CurrentItem, 0);
    CBFastTransition->clear();
    ShowFeedItem(CurrentItem);
  } else {
    ClearView();
  }
  PlayEventSound(6);
}
