#include "app/WriteLoop.h"

#ifdef VORNIX_FAULT_INJECTION

#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "feeds/FeedWalk.h"
#include "feeds/FeedWatch.h"
#include "settings/Unit2.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>

#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using TStep = std::function<void(TForm1 &, TFormSetting &, quint32 round)>;

TFormSetting *settingsWindow() {
  for (QWidget *widget : QApplication::topLevelWidgets())
    if (auto *settings = qobject_cast<TFormSetting *>(widget))
      return settings;
  return nullptr;
}

// Old enough for the next refresh to fetch it again, whatever the interval.
void ageFeedOfSite1(const TFormSetting &settings) {
  const TRSSItemData *site = settings.sites().count() > 1 ? settings.sites().record(1) : nullptr;
  if (!site || site->RSSURLs.isEmpty())
    return;
  QFile feed(FeedFileName(1, site->RSSURLs.first()));
  if (feed.open(QIODevice::ReadOnly))
    feed.setFileTime(QDateTime(QDate(2000, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime);
}

// Every other round the filter is long enough to go to a side file.
QString filterText(quint32 round) {
  const QString word = u"w"_s + QString::number(round);
  return round % 2 ? word : QString(word + u' ').repeated(120);
}

const std::vector<TStep> &steps() {
  static const std::vector<TStep> all = {
      // The site's categories share one file and take turns in it.
      [](TForm1 &form, TFormSetting &settings, quint32 round) {
        ageFeedOfSite1(settings);
        form.KivTabSet1->setTabIndex(1);
        const QList<QAction *> categories = form.N3->actions();
        form.UpdateSite(categories.isEmpty() ? nullptr
                                             : categories.at(int(round % categories.size())));
      },
      // The item just fetched goes into the archive, the oldest one out.
      [](TForm1 &form, TFormSetting &, quint32) { form.Button3Click(); },
      [](TForm1 &form, TFormSetting &, quint32) {
        form.KivTabSet1->setTabIndex(0);
        form.Button3Click();
        form.KivTabSet1->setTabIndex(1);
      },
      [](TForm1 &form, TFormSetting &, quint32 round) {
        form.resize(600 + int(round % 100), 320 + int(round % 80));
        form.EditFilter->setText(filterText(round));
        form.SavePosition();
      },
      [](TForm1 &, TFormSetting &settings, quint32) {
        QComboBox *alpha = settings.CBAlphaBlend;
        alpha->setCurrentIndex((alpha->currentIndex() + 1) % alpha->count());
      },
      [](TForm1 &, TFormSetting &settings, quint32 round) {
        settings.selectSite(1);
        settings.LESiteName->setText(u"Site "_s + QString::number(round));
        settings.Button2Click();
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
  TFormSetting *settings = settingsWindow();
  if (!form || form->destroying() || !settings)
    return;
  steps()[step](*form, *settings, round);
  const bool last = step + 1 == steps().size();
  QTimer::singleShot(0, form, [form, round, step, last] {
    runStep(form, last ? round + 1 : round, last ? 0 : step + 1);
  });
}

} // namespace

void TWriteLoop::StartIfAsked(TForm1 *form) {
  if (qEnvironmentVariableIntValue("VORNIX_TEST_WRITE_LOOP") != 1)
    return;
  // Each run starts somewhere new, so a file written again is told from its old self.
  const quint32 first = QRandomGenerator::global()->bounded(1u << 30);
  QTimer::singleShot(0, form, [form = QPointer<TForm1>(form), first] { runStep(form, first, 0); });
}

#else

void TWriteLoop::StartIfAsked(TForm1 *) {}

#endif
