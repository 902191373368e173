#pragma once

#include <QDialog>
#include <QStringList>

class QFrame;
class QListWidget;
class QPushButton;

// The About window: the fields of the program's version record and the
// machine's memory figures. It is made afresh for each showing and deletes
// itself when closed (by "Закрыть", Esc or the window's close box).
class TFormAbout : public QDialog {
  Q_OBJECT
public:
  explicit TFormAbout(QWidget *parent = nullptr);

  // Makes the window, centred on `owner`'s screen (which also owns it and may
  // be null), and shows it application-modal without waiting for it to
  // close: the caller's handler returns at once and the window frees itself.
  // The pointer is only for callers that want to watch it (wrap it in a
  // QPointer).
  static TFormAbout *ShowModal(QWidget *owner);

  // Fills the list with `lines` and lets its widest line scroll into view.
  void ShowLines(const QStringList &lines);

  QListWidget *ListBox1;
  QFrame *Panel1;
  QPushButton *Button1; // "Закрыть"

  void FormCreate();
  void Button1Click();

protected:
  void showEvent(QShowEvent *event) override;

private:
  void buildLayout();
  void centreOnScreen();
};
