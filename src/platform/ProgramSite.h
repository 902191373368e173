#pragma once

#include <QString>

// The program's home on the maker's web server.
inline QString ProgramSiteAddress() {
  return QStringLiteral("https://vornix.example.org");
}
inline QString ProgramPageAddress() {
  return ProgramSiteAddress() + QStringLiteral("/ru/softsother/catalogs/vx/");
}
// The side panel's page. It is a page of links, so it comes over https only:
// over plain http anyone on the way could point them anywhere.
// VORNIX_ZENTARA_URL, when set, replaces the whole address (the tests serve
// the page from 127.0.0.1).
inline QString ZentaraPageAddress() {
  const QString chosen = qEnvironmentVariable("VORNIX_ZENTARA_URL");
  return chosen.isEmpty()
             ? ProgramSiteAddress() + QStringLiteral("/_vx_advertising/advertising_show.php")
             : chosen;
}
