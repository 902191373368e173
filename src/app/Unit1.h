#pragma once

#include "app/StatusLine.h"
#include "reader/Reader.h"
#include "settings/SettingsHost.h"
#include "tray/Notifications.h"
#include "tray/TrayHost.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <QSystemTrayIcon>

#include <chrono>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QTimer;
class QToolButton;
class TEventSound;
class TFeedWatch;
class TFormSetting;
class TTrayAnimation;
class TKivCustomTabSet;
class TKivGroupBox;
class TKivTabSet;
struct TKivTitleFont;
class TRSSViewItem;
class TKivTextResIni;
class TURLLabel;
class TScrollBoxAdvertising;

// The main window. It hosts the site tabs, the feed header and item view,
// the filter and navigation bar, the side panel, the status bar, the tray
// icon and both menus. The reading itself is the reader's: the window hands
// it every choice the user makes and draws what it shows.
class TForm1 : public QMainWindow, public TSettingsHost {
  Q_OBJECT
public:
  explicit TForm1(QWidget *parent = nullptr);
  ~TForm1() override;

  // --- What the settings window applies (it introduces itself as it is made) ---
  void attachFormSetting(TFormSetting *settings) override;
  bool startingOrClosing() const override { return FStartingOrClosing; }
  bool destroying() const override { return FDestroying; }
  void applyStayOnTop(bool on) override;
  void applyAlphaValue(int alpha) override;
  void applyCaption(const QString &caption) override;
  void applyUpdateInterval(int milliseconds, bool refreshNow) override;
  void applyWatch(bool on) override;
  void RebuildSiteTabs() override;
  void SitesAdded() override;

  // --- Showing and hiding ---
  // "Показать" / "Скрыть": what the tray menu, the tray icon and the first
  // start do.
  void N9Click();
  // Shows the window if it is hidden (or minimised) and brings it to the front:
  // what a second start of the program asks of the first.
  void BringForward();
  // Instead of the first show, at login: to the tray, or shown after trayWait
  // if no tray has come by then.
  void StartHidden(std::chrono::milliseconds trayWait = std::chrono::seconds(30));
  // Shown and not minimised: what "Скрыть" hides and "Показать" brings back.
  bool shownOnScreen() const { return isVisible() && !isMinimized(); }
  // The tray the window goes to, as last seen; with none, the window is an
  // ordinary one that minimises to the taskbar.
  TTrayMode trayMode() const { return FTrayMode; }
  // Where the tray is looked for (every few seconds: Qt has no signal for a
  // tray that comes or goes); the check runs at once.
  void setTrayProbe(std::function<TTrayMode()> probe);

  // --- What others read ---
  const TReaderView &view() const { return FReader->view(); }
  // The background watch, for those who schedule or observe it.
  TFeedWatch *feedWatch() const { return FFeedWatch; }
  // New matching items the watch found since the window was last shown.
  int newMatches() const { return FReader->newMatches(); }
  // The site of that tab has matches the user has not looked at.
  bool siteHasNewMatches(int tab) const { return FReader->siteHasNewMatches(tab); }
  // The status line as shown: one space and the text.
  QString statusText() const { return FStatusLine.text(); }
  bool zentaraPanelVisible() const;

Q_SIGNALS:
  // Every outcome as it is reported to the user, for listeners such as a log.
  void statusReported(TStatusKind kind, const QString &title, const QString &text);
  void eventSoundRequested(TEventSoundId sound);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void hideEvent(QHideEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void changeEvent(QEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

private:
  // What hiding the side panel gives back to the window's width.
  static constexpr int kZentaraPanelWidth = 160;

  // --- Controls (objectName = the field's name) ---
  QStatusBar *StatusBar1;
  QLabel *StatusBar1Text;
  TKivTabSet *KivTabSet1;
  QLabel *lft, *lfl, *lfw, *lfh, *lti, *lzenv;
  QFrame *ScrollBox1;
  QFrame *Panel2;
  QFrame *Panel3;
  QLineEdit *EditFilter;
  QCheckBox *ChBFiltered;
  QPushButton *Button3;
  QPushButton *Button2;
  QComboBox *CBFastTransition;
  QPushButton *Button1;
  QScrollArea *ScrollBox2;
  QFrame *Panel1;
  QFrame *Panel4;
  QToolButton *KivXPSpeedButton1;
  TKivGroupBox *EGBScrollBoxAdvertising;
  TScrollBoxAdvertising *ScrollBoxAdvertising;
  QSystemTrayIcon *TrayIcon1;
  QMenu *KivPopupMenu1;
  QAction *N9, *N7, *N6Action, *N5Action, *N8;
  QMenu *N6, *N5;
  QMenu *N1, *N17, *N3, *N15;
  QAction *N13, *N4, *N2, *N16, *N19;
  QTimer *Timer1, *Timer2, *TimerAdvertisingShow, *TimerHideBallon;
  TKivTextResIni *KivTextResIni1;
  TURLLabel *FeedTitleLabel = nullptr;
  QLabel *FeedInfoLabel = nullptr;
  TRSSViewItem *ItemView = nullptr;

  // --- Shared operations ---
  void ReportStatus(TStatusKind kind, const QString &title, const QString &text);
  bool PlayEventSound(TEventSoundId sound);
  void HideBalloon();
  void TimerHideBallonTimer();
  void RefreshBalloon();
  bool DownloadFile(const QString &url, const QString &fileName, bool report,
                    TDownloadPurpose purpose = TDownloadPurpose::Feed);
  void RestartTimer(QTimer *timer, bool fireNow);
  void SavePosition();

  // --- Handlers ---
  void N4Click();
  void N2Click();
  void N16Click();
  void N19Click();
  void TrayIcon1Activated(QSystemTrayIcon::ActivationReason reason);
  void KivPopupMenu1Popup();
  void KivTabSet1Changed(int index);
  void SiteMenuClick(int tab);
  void UpdateSite(int category);
  void Timer2Timer(bool fromTickBox);
  void ChBFilteredClick();
  void ChBFilteredMouseEnter();
  void EditFilterKeyUp(Qt::KeyboardModifiers shift);
  void EditFilterExit();
  void KivTabSet1DrawTitle(TKivCustomTabSet *Sender, const QRect &aRect, bool aFocused,
                           bool aSelected, TKivTitleFont &aFont, QString &aText, int aFlags,
                           bool &CanDraw);
  void KivTextResIni1AfterExecute();
  static void KivTextResIni1UseReadVal(QObject *Instance, const QString &PropName,
                                       const QVariant &Value, bool &UseVal);
  void ShowAlertedItem();
  void LoadZentaraPage(const QString &url);
  void TimerAdvertisingShowTimer();
  void KivXPSpeedButton1Click(QObject *Sender);
  void KivXPSpeedButton1MouseEnter();
  void Panel1Resize();
  void Panel4Resize();

  void buildLayout();
  void buildSiteTabs(QWidget *parent);
  void buildFeedArea();
  void buildFilterBar();
  void buildSidePanel();
  void buildMenus();
  void buildTray();
  void buildTimers();
  void buildStateFile();
  void buildReader();
  void restorePlace();
  void layoutSidePanel();
  bool sidePanelEvent(QObject *watched, QEvent *event);
  void syncSidePanelButton();
  void syncZentaraTimer();
  void narrowForHiddenPanel();
  void keepRightEdgeOnScreen();
  int screenRightEdge() const;
  void bindTimer(QTimer *timer, void (TForm1::*handler)());
  void FormCreate();
  void FormShow();
  bool FormCloseQuery();
  void FormClose();
  void applyWidthRule();
  static void setTimerActive(QTimer *timer, bool active);
  void setStatusLine(const QString &text);
  void showStatusLine();
  bool balloonsOff() const;
  bool soundsOff() const;
  TReaderOptions readerOptions() const;
  void render();
  void renderItem(const TReaderView &view);
  void renderNavigation(const TReaderView &view);
  void renderMenus(const TReaderView &view);
  void syncShowHideCaption();
  void showFromTray();
  void hideToTray();
  QRect trayIconRect() const;
  void CheckTray();
  void applyTrayMode(TTrayMode mode);
  void setToolWindow(bool tool);
  THttpResult transfer(const QString &address, const QString &fileName, TDownloadPurpose purpose);
  void bindNavigation();
  bool navigationEvent(QObject *watched, QEvent *event);
  void setFilterHint();
  void buildWatch();
  void syncWatch();
  void syncWatchedFeeds();
  void syncWatchMarks();
  void showAlert(const QString &title, const QString &text);

  TReader *FReader = nullptr;
  QPointer<TFormSetting> FFormSetting;
  std::unique_ptr<TEventSound> FEventSound;
  TNotifications *FNotifications = nullptr;
  QTimer *FSavePositionTimer = nullptr;
  QTimer *FMinimiseToTrayTimer = nullptr;
  QTimer *FTrayCheckTimer = nullptr;
  std::function<TTrayMode()> FTrayProbe = &TTrayHost::mode;
  TTrayMode FTrayMode = TTrayMode::XEmbed; // what the window is made as: a tool window
  TTrayAnimation *FTrayAnimation = nullptr;
  // The activation that follows a show from the tray is the show's own; the
  // show refreshes the balloon itself.
  QDeadlineTimer FShowActivation;
  QDeadlineTimer FMinimiseEcho;  // a minimised state that only echoes the one just left
  bool FMinimisedToTray = false; // the window went to the tray by being minimised
  QHash<QTimer *, std::function<void()>> FTickHandlers;
  TStatusLine FStatusLine;
  QString FBalloonTitle;
  QString FBalloonText;
  TBalloonIcon FBalloonIcon = TBalloonIcon::None;
  bool FStartingOrClosing = true;
  bool FDestroying = false;
  bool FRendering = false; // the tab strip follows the reader, not the other way
  TFeedWatch *FFeedWatch = nullptr;
  TNotifications *FWatchNotifications = nullptr;
  bool FWatchOn = true;
  // What the menus were last drawn from: they are rebuilt only when it changes.
  QStringList FMenuSites, FMenuCategories;
};
