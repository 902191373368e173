// The program as the crash-consistency test runs it: the real start-up, and
// then, with VORNIX_TEST_WRITE_LOOP=1, the shown windows keep saving every
// file the program keeps, each time with new content, through the controls a
// user works, until the test kills it. Site 1 must have a feed for it to fetch.
#include "app/Startup.h"
#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "feeds/FeedWatch.h"
#include "platform/DataFolder.h"
#include "settings/Unit2.h"
#include "support/Controls.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using TStep = std::function<void(TForm1 &, TFormSetting &, quint32 round)>;

// Old enough for the next refresh to fetch it again, whatever the interval.
// A site's feed files are named after its tab.
void ageFeedsOfSite1() {
  const QDir feeds(TDataFolder::file(u"xml"_s));
  for (const QString &name : feeds.entryList({u"1*.xml"_s}, QDir::Files)) {
    QFile feed(feeds.filePath(name));
    if (feed.open(QIODevice::ReadOnly))
      feed.setFileTime(QDateTime(QDate(2000, 1, 1), QTime(0, 0)),
                       QFileDevice::FileModificationTime);
  }
}

const std::vector<TStep> &steps() {
  static const std::vector<TStep> all = {
      // The site's categories share one file and take turns in it.
      [](TForm1 &form, TFormSetting &, quint32 round) {
        ageFeedsOfSite1();
        Control<TKivTabSet>(&form, "KivTabSet1")->setTabIndex(1);
        const QList<QAction *> categories = Control<QMenu>(&form, "N3")->actions();
        if (!categories.isEmpty())
          categories.at(int(round % categories.size()))->trigger();
      },
      // The item just fetched goes into the archive, the oldest one out.
      [](TForm1 &form, TFormSetting &, quint32) {
        Control<QPushButton>(&form, "Button3")->click();
      },
      [](TForm1 &form, TFormSetting &, quint32) {
        auto *tabs = Control<TKivTabSet>(&form, "KivTabSet1");
        tabs->setTabIndex(0);
        Control<QPushButton>(&form, "Button3")->click();
        tabs->setTabIndex(1);
      },
      // The side panel's button is what saves the window's state at once; the
      // panel is shown one round and hidden the next.
      [](TForm1 &form, TFormSetting &, quint32 round) {
        // Every other round the filter is long enough to go to a side file.
        const QString word = u"w"_s + QString::number(round) + u' ';
        Control<QLineEdit>(&form, "EditFilter")->setText(word.repeated(round % 2 ? 1 : 120));
        Control<QToolButton>(&form, "KivXPSpeedButton1")->click();
      },
      [](TForm1 &, TFormSetting &settings, quint32) {
        auto *alpha = Control<QComboBox>(&settings, "CBAlphaBlend");
        alpha->setCurrentIndex((alpha->currentIndex() + 1) % alpha->count());
      },
      [](TForm1 &, TFormSetting &settings, quint32 round) {
        Control<QComboBox>(&settings, "CBSites")->setCurrentIndex(1);
        // Typed over, not set: only an edit by hand offers the site to be saved.
        auto *name = Control<QLineEdit>(&settings, "LESiteName");
        name->selectAll();
        name->insert(u"Site "_s + QString::number(round));
        Control<QPushButton>(&settings, "Button2")->click();
      },
      // The watch writes its own files on its own thread, as often as it can;
      // a change of settings above has given it the settings' interval.
      [](TForm1 &form, TFormSetting &, quint32) {
        form.feedWatch()->setInterval(std::chrono::milliseconds(20));
      },
  };
  return all;
}

// One step per turn of the event loop, as a user's actions come, so that a
// kill from outside can land between any two of them too.
void runStep(QPointer<TForm1> form, quint32 round, size_t step) {
  TFormSetting *settings = nullptr;
  for (QWidget *widget : QApplication::topLevelWidgets())
    settings = settings ? settings : qobject_cast<TFormSetting *>(widget);
  if (!form || form->destroying() || !settings)
    return;
  steps()[step](*form, *settings, round);
  const bool last = step + 1 == steps().size();
  QTimer::singleShot(0, form, [form, round, step, last] {
    runStep(form, last ? round + 1 : round, last ? 0 : step + 1);
  });
}

} // namespace

int main(int argc, char *argv[]) {
  return RunVornix(argc, argv, [](TForm1 &form) {
    // Without it this is vx as shipped, for the test's last start on what the
    // kills have left.
    if (qEnvironmentVariableIntValue("VORNIX_TEST_WRITE_LOOP") != 1)
      return;
    // Each run starts somewhere new, so a file written again is told from its old self.
    const quint32 first = QRandomGenerator::global()->bounded(1u << 30);
    QTimer::singleShot(0, &form,
                       [form = QPointer<TForm1>(&form), first] { runStep(form, first, 0); });
  });
}
