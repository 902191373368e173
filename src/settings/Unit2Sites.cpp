// The site catalogue's editor: the site list, the chosen site's title and its
// feed rows, and the buttons that make, save and delete sites.
#include "components/KivGroupBox.h"
#include "platform/DataFolder.h"
#include "settings/RSSItem.h"
#include "settings/SettingsHost.h"
#include "settings/Unit2.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString kArchiveTitle = u"Архив"_s;

QString catalogueFile() {
  return TDataFolder::file(u"vxs.ini"_s);
}

} // namespace

int TFormSetting::selectedSite() const {
  return CBSites->currentIndex();
}

void TFormSetting::selectSite(int index) {
  if (index < 0 || index >= CBSites->count())
    return;
  selectQuietly(index);
  CBSitesChange();
}

// For the handlers that choose a site themselves and then show it in their
// own order.
void TFormSetting::selectQuietly(int index) {
  const QSignalBlocker quiet(CBSites);
  CBSites->setCurrentIndex(index);
}

bool TFormSetting::selectedIsArchive() const {
  return selectedSite() >= 0 && CBSites->currentText() == kArchiveTitle;
}

void TFormSetting::LoadSites() {
  QString error;
  const bool loaded = ::LoadSites(Sites, catalogueFile(), &error);
  {
    const QSignalBlocker quiet(CBSites);
    CBSites->clear();
    for (int i = 0; i < Sites.count(); ++i)
      CBSites->addItem(Sites.title(i), QVariant::fromValue(Sites.record(i)));
    CBSites->setCurrentIndex(-1);
  }
  if (!loaded)
    showError(error); // the program goes on with the catalogue it has in memory
}

bool TFormSetting::SaveSites() {
  QString error;
  if (::SaveSites(Sites, catalogueFile(), &error))
    return true;
  showError(error);
  return false;
}

// Shown without waiting for an answer: nothing depends on it.
void TFormSetting::showError(const QString &text) {
  auto *box = new QMessageBox(QMessageBox::Critical, QApplication::applicationDisplayName(), text,
                              QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

void TFormSetting::CBSitesChange() {
  showStatus(QString());
  KivGroupBox1->setEnabled(true);
  LESiteName->setText(CBSites->currentText());
  ClearFeedRows();
  ShowFeedRows();
  Button2->setEnabled(false);
  Button6->setEnabled(selectedSite() >= 0);
  lockEditor(selectedIsArchive());
}

// The archive (and any site titled like it) can be looked at, not changed:
// its title and feed are what the archive feed is found by.
void TFormSetting::lockEditor(bool locked) {
  SetEditLocked(LESiteName, locked);
  for (QWidget *w : std::initializer_list<QWidget *>{Label2, Label3, Button4})
    w->setEnabled(!locked);
  if (locked) {
    Button2->setEnabled(false);
    Button6->setEnabled(false);
  }
  for (TRSSItem *row : feedRows())
    row->setLocked(locked);
}

void TFormSetting::LESiteNameChange() {
  Button2->setEnabled(true);
}

// Nothing joins the catalogue until "Сохранить".
void TFormSetting::Button3Click() {
  FEditorFilled = true;
  selectQuietly(-1);
  LESiteName->setText(u"Новый"_s);
  lockEditor(false);
  Button2->setEnabled(true);
  ClearFeedRows();
  ShowFeedRows();
  Button6->setEnabled(selectedSite() >= 0);
  LESiteName->setFocus(Qt::OtherFocusReason);
  LESiteName->selectAll();
}

void TFormSetting::Button4Click() {
  fillEditor();
  TRSSItem *row = addFeedRow(QString(), QString());
  row->FRSSName->setFocus(Qt::OtherFocusReason);
  // Once the rows are laid out anew, the new one is scrolled into view.
  QTimer::singleShot(0, row, [this, row] { ScrollBox1->ensureWidgetVisible(row); });
}

// Addresses new to the catalogue are looked at before anything is saved: a
// board's page gives way to the feed it names, or the user picks among
// several. The editor cannot be used meanwhile: "Сохранить" and "Удалить" are
// off, input waits until each search ends, and a choice is asked window-modal.
void TFormSetting::Button2Click() {
  if (FSaving)
    return;
  fillEditor();
  Button2->setEnabled(false);
  Button6->setEnabled(false);
  FSaving = true;
  FFindings.clear();
  findFeedsInRows();
  chooseFeeds();
}

// The record is filled in place, never replaced: the main window's tabs point
// at it.
void TFormSetting::commitRows() {
  FSaving = false;
  const QString title = LESiteName->text();
  int site = selectedSite();
  if (site < 0) {
    *Sites.append(title) = CollectFeedRows();
    site = Sites.count() - 1;
    CBSites->addItem(title, QVariant::fromValue(Sites.record(site)));
  } else {
    Sites.setTitle(site, title);
    *Sites.record(site) = CollectFeedRows();
    CBSites->setItemText(site, title);
  }
  selectQuietly(site);
  if (!SaveSites()) {
    // Nothing reached the disk: both buttons stay on hand to try again.
    Button2->setEnabled(true);
    Button6->setEnabled(!selectedIsArchive());
    return;
  }
  CBSitesChange();
  showStatus(FFindings.join(u'\n'));
  if (FHost)
    FHost->RebuildSiteTabs();
  SaveSites();
}

void TFormSetting::Button6Click() {
  Button2->setEnabled(false);
  Button6->setEnabled(false);
  const int site = selectedSite();
  if (site < 0 || selectedIsArchive())
    return;
  // The main window's tab still points at the record until its tabs are
  // rebuilt, so they are rebuilt even when the file could not be written.
  {
    const QSignalBlocker quiet(CBSites);
    CBSites->removeItem(site);
  }
  Sites.remove(site);
  SaveSites();
  if (CBSites->count() > 0)
    selectQuietly(std::min(site, CBSites->count() - 1));
  CBSitesChange();
  if (FHost)
    FHost->RebuildSiteTabs();
}

// The question waits in a window-modal box while everything else goes on; by
// the time it is answered the row may have gone with a change of site.
void TFormSetting::RSSDelClick(TRSSItem *row) {
  auto *box = new QMessageBox(QMessageBox::Question, u"Удаление RSS ленты"_s,
                              u"Удалить RSS ленту?"_s, QMessageBox::Yes | QMessageBox::No, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::finished, this, [this, box, target = QPointer<TRSSItem>(row)] {
    if (box->standardButton(box->clickedButton()) == QMessageBox::Yes && target)
      removeFeedRow(target);
  });
  box->open();
}

// Only the editor changes: the other rows keep what was typed into them, and
// the catalogue follows at the next "Сохранить", like every other edit.
void TFormSetting::removeFeedRow(TRSSItem *row) {
  const int position = static_cast<int>(feedRows().indexOf(row));
  delete row;
  const QList<TRSSItem *> rows = feedRows();
  TRSSItem *next = rows.isEmpty()
                       ? addFeedRow(QString(), QString())
                       : rows.at(std::clamp(position, 0, static_cast<int>(rows.size()) - 1));
  next->FRSSName->setFocus(Qt::OtherFocusReason);
  Button2->setEnabled(true);
}

// The rows are widgets of their own, a dozen per site: they are made when the
// window is first shown, or first used unseen (by a screen reader, say), not
// at every start and every change of tab before.
void TFormSetting::fillEditor() {
  if (std::exchange(FEditorFilled, true))
    return;
  ClearFeedRows();
  ShowFeedRows();
  lockEditor(selectedIsArchive());
}

void TFormSetting::ShowFeedRows() {
  if (!FEditorFilled)
    return;
  const int site = selectedSite();
  const TRSSItemData *record = site >= 0 && site < Sites.count() ? Sites.record(site) : nullptr;
  for (int j = 0; record && j < record->RSSURLs.size(); ++j)
    addFeedRow(record->RSSNames.value(j), record->RSSURLs.value(j));
  if (feedRows().isEmpty())
    addFeedRow(QString(), QString());
}

void TFormSetting::ClearFeedRows() {
  qDeleteAll(feedRows());
}

TRSSItemData TFormSetting::CollectFeedRows() const {
  TRSSItemData record;
  for (const TRSSItem *row : feedRows())
    AppendFeed(record, row->name(), row->address());
  return record;
}

QList<TRSSItem *> TFormSetting::feedRows() const {
  QList<TRSSItem *> rows;
  for (int i = 0; i < FRows->count(); ++i) {
    if (auto *row = qobject_cast<TRSSItem *>(FRows->itemAt(i)->widget()))
      rows.append(row);
  }
  return rows;
}

// A new row goes below the others.
TRSSItem *TFormSetting::addFeedRow(const QString &name, const QString &address) {
  auto *row = new TRSSItem;
  row->setTexts(name, address);
  row->FButton = Button2;
  connect(row->FRSSDel, &QToolButton::clicked, this, [this, row] { RSSDelClick(row); });
  FRows->insertWidget(FRows->count() - 1, row);
  orderFocusChain();
  return row;
}

// Rows are made after every other control; Tab still reaches them in the
// order they are seen: the title, the rows, then the buttons below them.
void TFormSetting::orderFocusChain() {
  QWidget *previous = LESiteName;
  const auto follow = [&previous](QWidget *next) {
    setTabOrder(previous, next);
    previous = next;
  };
  for (TRSSItem *row : feedRows()) {
    follow(row->FRSSName);
    follow(row->FRSSURL);
    follow(row->FRSSDel);
  }
  for (QWidget *b : std::initializer_list<QWidget *>{Button3, Button4, Button2, Button6})
    follow(b);
}
