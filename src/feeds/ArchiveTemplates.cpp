#include "feeds/ArchiveTemplates.h"

using namespace Qt::StringLiterals;

QString BuildArchiveTemplate(const QString &title, const QString &link) {
  return u"<?xml version=\"1.0\" encoding=\"windows-1251\" ?>"
         u"<rss version=\"2.0\"><channel><title>"_s +
         title + u" архив</title><link>" + link + u"</link><description>" + title +
         u" arhive</description><lastBuildDate></lastBuildDate>"
         u"<avxnewitems></avxnewitems></channel></rss>";
}

QString BuildArchiveItemTemplate() {
  return u"<item><title>aivx_title</title><link>aivx_link</link>"
         u"<pubDate>aivx_pubDate</pubDate><category>aivx_category</category>"
         u"<description>aivx_description</description><comments>aivx_comments</comments>"
         u"</item><avxnewitems></avxnewitems>"_s;
}
