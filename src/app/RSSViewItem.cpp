#include "app/RSSViewItem.h"

#include "components/URLLbl.h"

#include <QLabel>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {
QLabel *makeDetailLabel(const QString &name, QWidget *parent) {
  auto *label = new QLabel(name, parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, pal.color(QPalette::Disabled, QPalette::WindowText));
  label->setPalette(pal);
  return label;
}
} // namespace

TRSSViewItem::TRSSViewItem(QWidget *parent) : QFrame(parent) {
  setObjectName(QStringLiteral("ItemView"));
  setFrameShape(QFrame::NoFrame);
  setAccessibleName(QStringLiteral("Элемент ленты"));

  FViRSSTitle = new TURLLabel(this);
  FViRSSTitle->setObjectName(QStringLiteral("FViRSSTitle"));
  FViRSSTitle->setURLFontColor(QColor(0x00, 0x00, 0xFF));

  FViRSSPubDate = makeDetailLabel(QStringLiteral("FViRSSPubDate"), this);
  FViRSSCategory = makeDetailLabel(QStringLiteral("FViRSSCategory"), this);

  // A QTextEdit holding plain text: QPlainTextEdit keeps memory from every
  // replaced multi-line text while its window is hidden, and the view is
  // refilled on every refresh, also while the program sits in the tray.
  FViRSSDescription = new QTextEdit(this);
  FViRSSDescription->setAcceptRichText(false);
  FViRSSDescription->setPlainText(QStringLiteral("FViRSSDescription"));
  FViRSSDescription->setObjectName(QStringLiteral("FViRSSDescription"));
  FViRSSDescription->setReadOnly(true);
  FViRSSDescription->setFrameShape(QFrame::NoFrame);
  FViRSSDescription->setLineWrapMode(QTextEdit::WidgetWidth);
  FViRSSDescription->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FViRSSDescription->viewport()->setAutoFillBackground(false);
  FViRSSDescription->document()->setDocumentMargin(0);
  FViRSSDescription->setAccessibleName(QStringLiteral("Описание"));

  FViRSSComments = new TURLLabel(this);
  FViRSSComments->setObjectName(QStringLiteral("FViRSSComments"));
  FViRSSComments->setText(QStringLiteral("FViRSSComments"));

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  for (QWidget *w :
       {static_cast<QWidget *>(FViRSSTitle), static_cast<QWidget *>(FViRSSPubDate),
        static_cast<QWidget *>(FViRSSCategory), static_cast<QWidget *>(FViRSSComments)})
    layout->addWidget(w);
  layout->addWidget(FViRSSDescription, 1);
}

void TRSSViewItem::setDescription(const QString &text) {
  FDescription = text;
  // CR CR LF is how a line break that came in as CR reads after normalising;
  // like CR LF it is one line break on screen.
  QString shown = text;
  shown.replace(QStringLiteral("\r\r\n"), QStringLiteral("\n"))
      .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
      .replace(u'\r', u'\n');
  FViRSSDescription->setPlainText(shown);
}
