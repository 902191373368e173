#pragma once

#include <QString>
#include <QUrl>

// Hands addresses to the desktop (the browser or mail client). Only http,
// https and mailto are ever handed over: addresses come from feeds and pages
// written by strangers, and file:, javascript: or a custom scheme handler must
// not be reachable from a click.
class TShell {
public:
  static bool isOpenable(const QUrl &url);
  // False when the scheme is refused or the desktop could not open it.
  static bool openUrl(const QString &address);
};
