#include "platform/Shell.h"

#include <QDesktopServices>

bool TShell::isOpenable(const QUrl &url) {
  if (!url.isValid())
    return false;
  const QString scheme = url.scheme(); // QUrl keeps schemes in lower case
  if (scheme == u"mailto")
    return !url.path().isEmpty();
  return (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

bool TShell::openUrl(const QString &address) {
  // Boards write links carelessly (a space, a "|", a lone "%"); a browser opens
  // them all the same, so only the scheme decides what may be opened.
  const QUrl url(address.trimmed(), QUrl::TolerantMode);
  return isOpenable(url) && QDesktopServices::openUrl(url);
}
