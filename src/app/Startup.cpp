#include "app/Startup.h"

#include "app/CatalogueCommand.h"
#include "app/Unit1.h"
#include "platform/DataFolder.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "settings/Unit2.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QLoggingCategory>

#include <ctime>

Q_LOGGING_CATEGORY(lcStartup, "vornix.startup", QtWarningMsg)

namespace {

// Tells, on the "vornix.startup" category, the wall-clock time of the main
// window's first paint, so that start-up can be measured from outside.
class TFirstPaintProbe : public QObject {
public:
  using QObject::QObject;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Paint) {
      timespec ts{};
      clock_gettime(CLOCK_REALTIME, &ts);
      qCInfo(lcStartup, "first paint at %lld", qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000);
      watched->removeEventFilter(this);
    }
    return false;
  }
};

void nameApplication() {
  QCoreApplication::setApplicationName(QStringLiteral("Vornix"));
  QCoreApplication::setApplicationVersion(QStringLiteral(VORNIX_VERSION));
}

void describeCommandLine(QCommandLineParser &arguments) {
  arguments.setApplicationDescription(
      QStringLiteral("Новые проекты с бирж фриланса: ленты RSS в трее."));
  arguments.addHelpOption();
  arguments.addVersionOption();
  arguments.addOption(
      {QStringLiteral("hidden"),
       QStringLiteral("Запуститься в трее, не показывая окно (так Vornix запускается при входе "
                      "в систему).")});
  AddCatalogueOptions(arguments);
}

// Moving the catalogue needs no window, and no display either.
int runCatalogueCommand(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  nameApplication();
  QCommandLineParser arguments;
  describeCommandLine(arguments);
  arguments.process(app);
  return RunCatalogueCommand(arguments);
}

} // namespace

int RunVornix(int argc, char *argv[], const std::function<void(TForm1 &)> &shown) {
  if (AsksForCatalogueCommand(argc, argv))
    return runCatalogueCommand(argc, argv);
  QApplication app(argc, argv);
  // The display name follows the application name. Set on its own, Qt would
  // append it to every window's caption, which already names the program.
  nameApplication();
  QApplication::setDesktopFileName(QStringLiteral("vornix"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/vornix/vornix.png")));
  // The main window goes to the tray, or is minimised where there is none;
  // only closing it ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  QCommandLineParser arguments;
  describeCommandLine(arguments);
  arguments.process(app);
  // A start on a folder that Vornix already runs for brings that one forward
  // and ends here, before anything in the folder is touched.
  TSingleInstance instance(TDataFolder::path());
  if (!instance.claim())
    return 0;

  TForm1 form1;
  // Loads the settings and the catalogue and builds the main window's tabs.
  TFormSetting formSetting(&form1);
  if (lcStartup().isInfoEnabled())
    form1.installEventFilter(new TFirstPaintProbe(&form1));
  // Log-out and kill end the program as "Выход" does, with the state saved.
  TTerminationSignals termination;
  QObject::connect(&termination, &TTerminationSignals::received, &form1, &QWidget::close);
  QObject::connect(&instance, &TSingleInstance::activationRequested, &form1, &TForm1::BringForward);
  // A later `vx --import-opml` is done here, and the tabs follow.
  instance.setActionHandler(
      [&formSetting](const QString &action, const QVariantList &parameter, QString *message) {
        return action == QStringLiteral("import-opml") &&
               formSetting.importOpml(parameter.value(0).toString(), message);
      });
  if (arguments.isSet(QStringLiteral("hidden")))
    form1.StartHidden();
  else
    form1.N9Click();
  if (shown)
    shown(form1);
  return QApplication::exec();
}
