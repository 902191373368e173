#pragma once

#include "feeds/FeedDiscovery.h"
#include "settings/SiteCatalogue.h"

#include <QPointer>
#include <QVariant>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;
class TKivGroupBox;
class TKivTabControl;
class TKivTextResIni;
class TRSSItem;
class TSettingsHost;

// The settings window: the site catalogue's editor on its first page, the
// program's seven settings on its second. It owns the catalogue and the
// settings; every change of a setting is saved to "vxss.ini" and applied to
// the main window (through its host) at once. Closing it only hides it.
class TFormSetting : public QWidget {
  Q_OBJECT
public:
  // Loads the settings (or applies the defaults) and the catalogue, and has
  // the host build its tabs. `host` may be null (nothing is applied).
  explicit TFormSetting(TSettingsHost *host = nullptr, QWidget *parent = nullptr);
  ~TFormSetting() override;
  void setHost(TSettingsHost *host) { FHost = host; }

  // --- The settings as the rest of the program reads them ---
  int updateMinutes() const;
  bool balloonsOff() const;
  bool soundsOff() const;
  bool keepItemPosition() const;
  bool filterUsesOr() const;
  bool watchAll() const;

  // --- The catalogue ---
  const TSiteCatalogue &sites() const { return Sites; }
  // The site selected in the site list, -1 for none (a new site being made).
  int selectedSite() const;
  // Selects a site in the list and shows it in the editor.
  void selectSite(int index);

  // --- Moving to and from other readers ---
  // Brings the feeds of an OPML file into the catalogue, saves it once, and
  // the main window's tabs and menus follow. False when the file was refused
  // or the catalogue could not be saved, and nothing changed; `message` says
  // what was added, or why not, in words fit for the user.
  bool importOpml(const QString &fileName, QString *message = nullptr);
  bool exportOpml(const QString &fileName, QString *message = nullptr);

protected:
  void showEvent(QShowEvent *event) override;
  void hideEvent(QHideEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  // --- Controls (objectName = the field's name) ---
  // Kept private: anything outside the window reaches a control the way a
  // user or a screen reader does, by that name, so the layout can change
  // behind the accessors above.
  TKivTabControl *KivTabControl1;
  QComboBox *CBSites; // the catalogue's sites; data: each site's record
  TKivGroupBox *KivGroupBox1;
  QLineEdit *LESiteName;
  QLabel *Label1, *Label2, *Label3;
  QScrollArea *ScrollBox1;
  QPushButton *Button3, *Button4, *Button2,
      *Button6; // "Новый", "Добавить RSS", "Сохранить", "Удалить"
  TKivGroupBox *KivGroupBox2;
  QComboBox *CBTimeOut;           // update interval in minutes
  QCheckBox *ChBStayOnTop;        // the main window stays on top
  QCheckBox *ChBStoreXMLItemPos;  // keep showing the same item after a timed refresh
  QComboBox *CBFilterAssociation; // index 1: filter words joined by OR, else AND
  QComboBox *CBAlphaBlend;        // the main window's transparency in per cent
  QCheckBox *ChBBallonsOff;       // checked: no desktop balloons
  QCheckBox *ChBSoundsUse;        // checked: no event sounds, as its caption says
  QCheckBox *ChBWatchAll;         // every board watched in the background for new items
  QCheckBox *ChBAutostart;        // Vornix starts, in the tray, when the user logs in
  QPushButton *BImportOPML;       // "Импорт OPML…"
  QPushButton *BExportOPML;       // "Экспорт OPML…"
  QLabel *LStatus;                // what the last save, import or export found
  QPushButton *Button1;           // "Закрыть"
  TKivTextResIni *KivTextResIni1;

  // --- Handlers ---
  void CBSitesChange();
  void LESiteNameChange();
  void Button3Click();
  void Button4Click();
  void Button2Click();
  void Button6Click();
  void RSSDelClick(TRSSItem *row);
  void BImportOPMLClick();
  void BExportOPMLClick();
  void CBTimeOutChange();
  void ChBAutostartClick(bool on);
  void KivTextResIni1AfterExecute();

  void buildLayout();
  void buildSitesPage();
  void buildSettingsPage();
  void buildPersistence();
  void connectHandlers();
  void showAutostart();

  void FormCreate();
  void readSettings();
  void KivTextResIni1UseReadVal(QObject *Instance, const QString &PropName, const QVariant &Value,
                                bool &UseVal) const;
  QString storedText(const QObject *instance, const QString &propName) const;

  // --- Saving a site: addresses that are pages are searched for feeds ---
  struct TPendingChoice {
    QPointer<TRSSItem> row;
    QString page;
    QList<TFeedLink> links;
  };
  bool closingDown() const;
  void findFeedsInRows();
  void chooseFeeds();
  void takeFeeds(TRSSItem *row, const QList<TFeedLink> &links);
  void commitRows();
  void showStatus(const QString &text);
  void showImportedRows(int site, int feedsBefore);

  void LoadSites();
  bool SaveSites();
  void showError(const QString &text);
  void selectQuietly(int index);
  bool selectedIsArchive() const;
  void lockEditor(bool locked);
  void fillEditor();
  void ShowFeedRows();
  void ClearFeedRows();
  TRSSItemData CollectFeedRows() const;
  TRSSItem *addFeedRow(const QString &name, const QString &address);
  void removeFeedRow(TRSSItem *row);
  void orderFocusChain();
  // The feed rows in the editor, top to bottom.
  QList<TRSSItem *> feedRows() const;

  TSettingsHost *FHost = nullptr;
  TSiteCatalogue Sites;
  bool FEditorFilled = false; // the feed rows made, at the first show or use
  QVBoxLayout *FRows = nullptr;
  bool FReadingSettings = false;
  bool FSaving = false; // from "Сохранить" until the site is written
  QList<TPendingChoice> FChoices;
  QStringList FFindings;
};
