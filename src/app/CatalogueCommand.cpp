#include "app/CatalogueCommand.h"

#include "platform/DataFolder.h"
#include "platform/SingleInstance.h"
#include "settings/CatalogueTransfer.h"
#include "settings/SiteCatalogue.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QString kImport = u"import-opml"_s;
const QString kExport = u"export-opml"_s;

QString catalogueFile() {
  return TDataFolder::file(u"vxs.ini"_s);
}

// The running Vornix for the folder does it when there is one; else this
// process holds the folder while it does.
bool importFile(const QString &file, QString *message) {
  TSingleInstance instance(TDataFolder::path());
  instance.forwardAction(kImport, {file});
  if (!instance.claim()) {
    *message = instance.handedOverMessage();
    if (!instance.handedOver())
      *message += u" Импорт не выполнен."_s;
    return instance.handedOver();
  }
  TSiteCatalogue sites;
  return LoadSites(sites, catalogueFile(), message) &&
         ImportOpmlFile(sites, file, catalogueFile(), message);
}

// The catalogue file is only ever replaced whole, so it can be read beside
// a running Vornix; it is not written even when it has no archive yet.
bool exportFile(const QString &file, QString *message) {
  TSiteCatalogue sites;
  ReadSites(sites, catalogueFile());
  return ExportOpmlFile(sites, file, message);
}

} // namespace

void AddCatalogueOptions(QCommandLineParser &arguments) {
  arguments.addOption({kImport,
                       u"Добавить сайты и ленты из файла OPML другой программы чтения и "
                       u"выйти."_s,
                       u"файл"_s});
  arguments.addOption({kExport,
                       u"Сохранить сайты и ленты в файл OPML для другой программы чтения и "
                       u"выйти."_s,
                       u"файл"_s});
}

bool AsksForCatalogueCommand(int argc, char *argv[]) {
  for (int i = 1; i < argc; ++i) {
    const QByteArray argument(argv[i]);
    if (argument.startsWith("--import-opml") || argument.startsWith("--export-opml"))
      return true;
  }
  return false;
}

int RunCatalogueCommand(const QCommandLineParser &arguments) {
  if (arguments.isSet(kImport) == arguments.isSet(kExport)) {
    std::fprintf(stderr, "%s\n", "Укажите одно: --import-opml или --export-opml.");
    return 2;
  }
  const bool import = arguments.isSet(kImport);
  const QString file = QFileInfo(arguments.value(import ? kImport : kExport)).absoluteFilePath();
  QString message;
  const bool done = import ? importFile(file, &message) : exportFile(file, &message);
  std::fprintf(done ? stdout : stderr, "%s\n", message.toLocal8Bit().constData());
  return done ? 0 : 1;
}
