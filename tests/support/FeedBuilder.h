#pragma once

#include <QByteArray>
#include <QStringList>

// A UTF-8 feed of the channel "Board" whose items are titled by the given
// words, each linked to https://b.example/<word> and described as
// "about <word>".
inline QByteArray FeedOf(const QStringList &titles) {
  QByteArray feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss><channel><title>Board</title>";
  for (const QString &title : titles) {
    const QByteArray word = title.toUtf8();
    feed += "<item><title>" + word + "</title><link>https://b.example/" + word +
            "</link><description>about " + word + "</description></item>";
  }
  return feed + "</channel></rss>";
}
