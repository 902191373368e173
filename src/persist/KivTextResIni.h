#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>

#include <functional>

class QWidget;

enum class TActionText { atRead, atWrite };

// Saves chosen properties of a window's controls into an INI file and brings
// them back: one key per control and property, in the window's section.
// The window names the controls and properties; Execute runs the pass that
// ActionText chooses. Keys and values are those the Windows program writes,
// so each program reads the other's file.
class TKivTextResIni : public QObject {
  Q_OBJECT
public:
  // Persists `owner`'s controls when `owner` is a window.
  explicit TKivTextResIni(QObject *owner);

  TActionText ActionText = TActionText::atRead;
  QPointer<QWidget> FormControl;
  QStringList ListClassControl;
  QStringList ListPropertyControl{QStringLiteral("Caption"), QStringLiteral("Text"),
                                  QStringLiteral("Hint")};
  QStringList ListIncludeName;
  QStringList ListSkipName;
  bool UseForForms = false;
  bool Crypt = false;

  QString FileName() const { return FFileName; }
  void setFileName(const QString &fileName);
  QString CryptKey() const { return FCryptKey; }
  void setCryptKey(const QString &key);

  std::function<void(TKivTextResIni *Sender)> OnBeforeExecute;
  std::function<void(TKivTextResIni *Sender, bool AResult)> OnAfterExecute;
  std::function<void(const QString &ControlName, bool &CanExecute)> OnBeforeRead;
  std::function<void(const QString &ControlName, bool &CanExecute)> OnBeforeWrite;
  std::function<void(QObject *Instance, const QString &PropName, const QVariant &Value,
                     bool &UseVal)>
      OnUseReadVal;

  // False without a window or without a property to persist, and when called
  // while a pass of this component runs (no event fires then); else the
  // result of the pass.
  bool Execute();

protected:
  virtual bool ReadValues();
  virtual bool WriteValues();

private:
  QString FFileName;
  QString FCryptKey = QStringLiteral("mint cloak");
  bool FPassRunning = false;
};

// The INI key of a component's property: "<owner class>_<owner name>_<class>_
// <name>_<property>", as in "TForm1_Form1_TEdit_EditFilter_Text".
QString ComponentKey(const QObject *component, const QString &property);
