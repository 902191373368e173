#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// What a tab strip keeps beside each caption.
struct TKivTabState {
  bool Visible = true;
  bool Enabled = true;
  QString Text;
};

// The side of a tab list that owns the selection. The list tells it about
// every change so that the selected index keeps pointing somewhere sensible.
class TKivTabsListOwner {
public:
  virtual ~TKivTabsListOwner() = default;
  virtual int TabIndex() const = 0;
  virtual void setTabIndex(int index) = 0;
  virtual bool isLoading() const = 0;
  // A tab control's tabs follow its pages, so adding one never selects it.
  virtual bool selectsAddedTabs() const = 0;
  virtual void resetVisibleRange() = 0;
  virtual void setRedrawSuspended(bool suspended) = 0;
  virtual void tabsChanged() = 0;
};

// The captions of a tab strip, with an optional object and a state record per
// tab. Every mutation keeps the three in step and adjusts the owner's selection.
class TKivTabsList {
public:
  explicit TKivTabsList(TKivTabsListOwner *owner = nullptr) : FOwner(owner) {}
  TKivTabsList(const TKivTabsList &) = delete;
  TKivTabsList &operator=(const TKivTabsList &) = delete;

  void setOwner(TKivTabsListOwner *owner) { FOwner = owner; }
  TKivTabsListOwner *owner() const { return FOwner; }

  int count() const { return static_cast<int>(FTabs.size()); }
  bool isValidIndex(int index) const { return index >= 0 && index < count(); }
  QString strings(int index) const;
  QVariant objects(int index) const;
  void setObject(int index, const QVariant &object);
  QStringList captions() const;
  int indexOf(const QString &caption) const;

  TKivTabState state(int index) const;
  // Returns whether the value changed; the strip raises its events on that.
  bool setVisible(int index, bool visible);
  bool setEnabled(int index, bool enabled);
  void setText(int index, const QString &text);
  bool isSelectable(int index) const;

  int Add(const QString &caption) { return AddObject(caption, {}); }
  int AddObject(const QString &caption, const QVariant &object);
  void Insert(int index, const QString &caption) { InsertObject(index, caption, {}); }
  void InsertObject(int index, const QString &caption, const QVariant &object);
  void AddStrings(const QStringList &captions);
  void Delete(int index);
  void Clear();
  void Put(int index, const QString &caption);
  void Exchange(int first, int second);

private:
  struct TTab {
    QString caption;
    QVariant object;
    TKivTabState state;
  };

  bool loading() const { return FOwner && FOwner->isLoading(); }
  void changed() const;

  TKivTabsListOwner *FOwner = nullptr;
  QList<TTab> FTabs;
};
