// Moving to and from other readers: the catalogue taken from, or written
// to, an OPML file.
#include "platform/DataFolder.h"
#include "settings/CatalogueTransfer.h"
#include "settings/RSSItem.h"
#include "settings/SettingsHost.h"
#include "settings/Unit2.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

const QString kOpmlFilter = u"Файлы OPML (*.opml *.xml);;Все файлы (*)"_s;

// Asked without waiting: the program goes on while the user looks for the file.
QFileDialog *fileDialog(QWidget *parent, const QString &caption, QFileDialog::AcceptMode mode) {
  auto *dialog = new QFileDialog(parent, caption, QDir::homePath(), kOpmlFilter);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setAcceptMode(mode);
  dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                      : QFileDialog::AnyFile);
  dialog->setDefaultSuffix(u"opml"_s);
  dialog->setWindowModality(Qt::WindowModal);
  return dialog;
}

} // namespace

void TFormSetting::BImportOPMLClick() {
  QFileDialog *dialog = fileDialog(this, u"Импорт OPML"_s, QFileDialog::AcceptOpen);
  connect(dialog, &QFileDialog::fileSelected, this,
          [this](const QString &file) { importOpml(file); });
  dialog->open();
}

void TFormSetting::BExportOPMLClick() {
  QFileDialog *dialog = fileDialog(this, u"Экспорт OPML"_s, QFileDialog::AcceptSave);
  dialog->selectFile(u"vornix.opml"_s);
  connect(dialog, &QFileDialog::fileSelected, this,
          [this](const QString &file) { exportOpml(file); });
  dialog->open();
}

// A site being saved holds the editor and the catalogue until it is written;
// an import meanwhile could be overwritten by it.
bool TFormSetting::importOpml(const QString &fileName, QString *message) {
  QString said = u"Сайт ещё сохраняется; повторите импорт позже"_s;
  const int selected = selectedSite();
  const int feedsBefore = selected >= 0 ? int(Sites.record(selected)->RSSURLs.size()) : 0;
  const int sitesBefore = Sites.count();
  const bool imported =
      !FSaving && ImportOpmlFile(Sites, fileName, TDataFolder::file(u"vxs.ini"_s), &said);
  if (imported) {
    for (int i = sitesBefore; i < Sites.count(); ++i)
      CBSites->addItem(Sites.title(i), QVariant::fromValue(Sites.record(i)));
    showImportedRows(selected, feedsBefore);
    if (FHost)
      FHost->SitesAdded();
  }
  showStatus(said);
  if (message)
    *message = said;
  return imported;
}

// The site in the editor may have gained feeds: they join its rows, below
// whatever is typed there and not yet saved, so that the next "Сохранить"
// keeps them.
void TFormSetting::showImportedRows(int site, int feedsBefore) {
  if (!FEditorFilled || site < 0 || selectedIsArchive())
    return;
  const TRSSItemData *record = Sites.record(site);
  for (int j = feedsBefore; j < record->RSSURLs.size(); ++j)
    addFeedRow(record->RSSNames.value(j), record->RSSURLs.at(j));
}

bool TFormSetting::exportOpml(const QString &fileName, QString *message) {
  QString said;
  const bool exported = ExportOpmlFile(Sites, fileName, &said);
  showStatus(said);
  if (message)
    *message = said;
  return exported;
}
