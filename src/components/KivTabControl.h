#pragma once

#include "components/KivCustomTabSet.h"
#include "components/KivTabPage.h"
#include "components/KivTabSet.h"

#include <QGridLayout>
#include <QList>
#include <QPointer>

// A tab strip whose tabs own pages. Pages fill the area beside the tab band;
// only the selected one is shown.
class TKivCustomTabControl : public TKivCustomTabSet {
  Q_OBJECT
  Q_PROPERTY(QString ActivePage READ ActivePage WRITE setActivePage)
public:
  explicit TKivCustomTabControl(QWidget *parent = nullptr);
  ~TKivCustomTabControl() override;

  QList<TKivTabPage *> Pages() const;
  TKivTabPage *page(int index) const;
  QString ActivePage() const;
  void setActivePage(const QString &caption);
  TKivColor ColorPage() const { return FColorPage; }
  void setColorPage(const TKivColor &color);

  void setTabIndex(int index) override;

protected:
  void Paint(QPainter &canvas) override;
  void showEvent(QShowEvent *event) override;

private:
  friend class TKivTabPage;
  void registerPage(TKivTabPage *page);
  void unregisterPage(TKivTabPage *page);
  void pageCaptionChanged(TKivTabPage *page);
  void rebuildTabs();
  void showSelectedPage(bool moveFocus);

  QGridLayout *FPageArea;
  QList<QPointer<TKivTabPage>> FPages;
  TKivColor FColorPage{KivSystemColor::BtnFace};
  bool FBuilt = false;
};

class TKivTabControl : public TKivCustomTabControl {
  Q_OBJECT
public:
  using TKivCustomTabControl::TKivCustomTabControl;
};
