#include "components/KivTabControl.h"

#include <QApplication>

namespace {

QWidget *firstFocusableIn(QWidget *page) {
  for (QWidget *w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
    if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
        w->isVisibleTo(page))
      return w;
  }
  return nullptr;
}

} // namespace

TKivCustomTabControl::TKivCustomTabControl(QWidget *parent)
    : TKivCustomTabSet(parent), FPageArea(new QGridLayout(this)) {
  setSelectsAddedTabs(false);
  // Every page sits in the same cell, so each one fills the page area.
  FPageArea->setContentsMargins(0, 0, 0, 0);
  FPageArea->setSpacing(0);
}

TKivCustomTabControl::~TKivCustomTabControl() {
  // The pages outlive this part of the object; they must not call back into it.
  for (const QPointer<TKivTabPage> &page : FPages) {
    if (page)
      page->FControl = nullptr;
  }
}

QList<TKivTabPage *> TKivCustomTabControl::Pages() const {
  QList<TKivTabPage *> pages;
  for (const QPointer<TKivTabPage> &page : FPages) {
    if (page)
      pages.append(page);
  }
  return pages;
}

TKivTabPage *TKivCustomTabControl::page(int index) const {
  return index >= 0 && index < FPages.size() ? FPages.at(index).data() : nullptr;
}

QString TKivCustomTabControl::ActivePage() const {
  const TKivTabPage *active = page(TabIndex());
  return active ? active->Caption() : QString();
}

void TKivCustomTabControl::setActivePage(const QString &caption) {
  const int index = TabsList().indexOf(caption.isEmpty() ? QStringLiteral(" ") : caption);
  if (index >= 0)
    setTabIndex(index);
}

void TKivCustomTabControl::setColorPage(const TKivColor &color) {
  if (FColorPage == color)
    return;
  FColorPage = color;
  showSelectedPage(false);
}

void TKivCustomTabControl::setTabIndex(int index) {
  for (const QPointer<TKivTabPage> &page : FPages) {
    if (page)
      page->hide();
  }
  TKivCustomTabSet::setTabIndex(index);
  showSelectedPage(true);
}

void TKivCustomTabControl::registerPage(TKivTabPage *page) {
  FPages.append(page);
  FPageArea->addWidget(page, 0, 0);
  TabsList().AddObject(page->Caption(), {});
}

void TKivCustomTabControl::unregisterPage(TKivTabPage *page) {
  const qsizetype index = FPages.indexOf(page);
  if (index < 0)
    return;
  FPages.removeAt(index);
  TabsList().Delete(static_cast<int>(index));
  showSelectedPage(false);
}

void TKivCustomTabControl::pageCaptionChanged(TKivTabPage *page) {
  const qsizetype index = FPages.indexOf(page);
  if (index >= 0)
    TabsList().Put(static_cast<int>(index), page->Caption());
}

// The tabs follow the pages; the first page is the one shown at first.
void TKivCustomTabControl::rebuildTabs() {
  setLoading(true);
  TabsList().Clear();
  for (const QPointer<TKivTabPage> &page : FPages)
    TabsList().AddObject(page ? page->Caption() : QString(), {});
  setLoading(false);
  tabsChanged();
  setTabIndex(FPages.isEmpty() ? -1 : 0);
}

void TKivCustomTabControl::showSelectedPage(bool moveFocus) {
  TKivTabPage *selected = page(TabIndex());
  if (!selected)
    return;
  const QColor colour = FColorPage.resolve(palette());
  QPalette pagePalette = selected->palette();
  if (pagePalette.color(QPalette::Window) != colour) {
    pagePalette.setColor(QPalette::Window, colour);
    selected->setPalette(pagePalette);
  }
  selected->setEnabled(true);
  selected->show();
  selected->raise();
  if (!moveFocus || !isVisible())
    return;
  QWidget *focus = QApplication::focusWidget();
  if (focus && (focus == this || isAncestorOf(focus)) && !selected->isAncestorOf(focus)) {
    if (QWidget *first = firstFocusableIn(selected))
      first->setFocus(Qt::OtherFocusReason);
    else
      setFocus(Qt::OtherFocusReason);
  }
}

void TKivCustomTabControl::Paint(QPainter &canvas) {
  TKivCustomTabSet::Paint(canvas);
  TKivTabPage *selected = page(TabIndex());
  if (selected && !selected->isVisible())
    showSelectedPage(false);
}

void TKivCustomTabControl::showEvent(QShowEvent *event) {
  TKivCustomTabSet::showEvent(event);
  if (FBuilt)
    return;
  FBuilt = true;
  rebuildTabs();
}
