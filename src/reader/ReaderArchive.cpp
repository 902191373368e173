// The archive button: the item on screen goes into the archive from a site's
// tab, and out of it on the archive's own tab.
#include "platform/TextFile.h"
#include "reader/Reader.h"

#include <QGuiApplication>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

const QString kArchive = u"Архив"_s;

} // namespace

QString TReader::archiveFileName() const {
  return FeedFileName(0, u"vx_arhive.xml"_s);
}

// A missing or empty file is a new, empty archive.
QString TReader::readArchive() const {
  const QString content = ReadTextFile(archiveFileName());
  return content.trimmed().isEmpty() ? FArchiveTemplate : content;
}

// The file is replaced whole or not at all, so a refused write loses nothing
// and must not be reported as done.
bool TReader::writeArchive(const QString &content) {
  if (WriteTextFile(archiveFileName(), content))
    return true;
  report(TStatusKind::Error, kArchive, u"Не удалось записать файл архива:\r"_s + archiveFileName());
  sound(TEventSoundId::Error);
  return false;
}

void TReader::archiveButton() {
  if (closing())
    return;
  if (FView.tab != 0)
    addShownItemToArchive();
  else
    removeShownItemFromArchive();
  changed();
}

void TReader::addShownItemToArchive() {
  if (!FView.itemShown) {
    report(TStatusKind::Warning, kArchive, u"Не найден элемент для добавления в архив."_s);
    sound(TEventSoundId::Error);
    return;
  }
  QString content = readArchive();
  const QString now = ArchiveDate(FHooks.now(), QLocale());
  switch (AddToArchive(content, FArchiveItemTemplate, FView.item,
                       QGuiApplication::applicationDisplayName(), now)) {
  case TArchiveAddition::Duplicate:
    report(TStatusKind::Information, kArchive, u"Элемент уже существует в архиве."_s);
    sound(TEventSoundId::Warning);
    return;
  case TArchiveAddition::NoPlace:
    report(TStatusKind::Error, kArchive,
           u"В файле архива нет места для нового элемента:\r"_s + archiveFileName());
    sound(TEventSoundId::Error);
    return;
  case TArchiveAddition::Added:
    break;
  }
  if (!writeArchive(content))
    return;
  report(TStatusKind::Information, kArchive, u"Элемент добавлен в архив."_s);
  sound(TEventSoundId::Archived);
}

void TReader::removeShownItemFromArchive() {
  if (!FView.itemShown)
    return;
  QString content = readArchive();
  if (!RemoveFromArchive(content, FArchiveItemTemplate, FView.item)) {
    // Edited outside the program since it was read: nothing was removed.
    report(TStatusKind::Warning, kArchive, u"Элемент не найден в файле архива."_s);
    sound(TEventSoundId::Warning);
    return;
  }
  if (!writeArchive(content))
    return;
  report(TStatusKind::Information, kArchive, u"Элемент удален из архив."_s);
  --FItemCount;
  if (FItemCount >= 1) {
    // The item after the removed one takes its place; after the last, the
    // one before it.
    if (FItemCount - 1 < FCurrentItem)
      --FCurrentItem;
    FCurrentItem = std::max(FCurrentItem, 0);
    ShowFeedItem(FCurrentItem);
  } else {
    clearView();
  }
  sound(TEventSoundId::Unarchived);
}
