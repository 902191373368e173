#pragma once

#include <QString>

// The program's home on the maker's web server.
inline QString ProgramSiteAddress() {
  return QStringLiteral("https://vornix.example.org");
}
inline QString ProgramPageAddress() {
  return ProgramSiteAddress() + QStringLiteral("/ru/softsother/catalogs/vx/");
}
