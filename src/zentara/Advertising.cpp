#include "zentara/Advertising.h"

#include "components/URLLbl.h"
#include "persist/Components.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr int kWheelNotch = 120; // angle units of one wheel notch
const QColor kLinkBlue(0x00, 0x00, 0xFF);

} // namespace

TScrollBoxAdvertising::TScrollBoxAdvertising(QWidget *parent) : QScrollArea(parent) {
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setWidgetResizable(true);
  setFocusPolicy(Qt::StrongFocus);
  verticalScrollBar()->setSingleStep(VertScrollBarIncrement);
  FColumn = new QWidget;
  FColumn->setObjectName(QStringLiteral("ScrollBoxAdvertisingColumn"));
  FColumnLayout = new QVBoxLayout(FColumn);
  FColumnLayout->setContentsMargins(8, 6, 8, 6);
  FColumnLayout->setSpacing(0);
  FColumnLayout->addStretch(1);
  setWidget(FColumn);
}

void TScrollBoxAdvertising::RenderZentaraPage(const QString &page, int spacerPointSize) {
  ClearZentaraPanel();
  const QList<TZentaraLabel> described = ParseZentaraPage(page);
  // A label shown in a visible column lays the whole column out again; with
  // the column hidden meanwhile, the page is laid out once.
  FColumn->hide();
  for (const TZentaraLabel &label : described)
    AddZentaraLabel(label);
  TZentaraLabel spacer;
  spacer.text = QStringLiteral("  ");
  spacer.align = QStringLiteral("left");
  spacer.fontSize = spacerPointSize;
  AddZentaraLabel(spacer);
  FColumn->show();
  verticalScrollBar()->setValue(0);
}

void TScrollBoxAdvertising::AddZentaraLabel(const TZentaraLabel &label) {
  auto *shown = new TURLLabel(FColumn);
  SetComponentOwner(shown, this);
  shown->setAlignment(ZentaraAlignment(label.align) | Qt::AlignTop);
  // The width is the column's; the height follows the wrapped text.
  QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  shown->setSizePolicy(policy);
  const std::optional<QColor> named = ZentaraColor(label.color);
  shown->setURLFontColor(named.value_or(kLinkBlue));
  QFont font = shown->font();
  font.setItalic(label.italic);
  font.setBold(label.bold);
  if (label.fontSize > 0)
    font.setPointSize(std::min(label.fontSize, MaxFontSize));
  shown->setFont(font);
  shown->setText(label.text);
  shown->setURL(label.link);
  if (named && label.link.isEmpty()) {
    QPalette text = shown->palette();
    text.setColor(QPalette::WindowText, *named);
    shown->setPalette(text);
  }
  connect(shown, &TURLLabel::clicked, this, &TScrollBoxAdvertising::ScrollBoxAdvertisingClick);
  FColumnLayout->insertWidget(FColumnLayout->count() - 1, shown);
  shown->show(); // at once, not when the event loop next runs
}

void TScrollBoxAdvertising::ClearZentaraPanel() {
  const QList<TURLLabel *> shown = labels();
  for (auto it = shown.crbegin(); it != shown.crend(); ++it)
    delete *it;
  FColumn->update();
}

QList<TURLLabel *> TScrollBoxAdvertising::labels() const {
  return FColumn->findChildren<TURLLabel *>(Qt::FindDirectChildrenOnly);
}

// With the focus, the arrow and page keys scroll the panel too.
void TScrollBoxAdvertising::ScrollBoxAdvertisingClick() {
  setFocus(Qt::MouseFocusReason);
}

void TScrollBoxAdvertising::mousePressEvent(QMouseEvent *event) {
  QScrollArea::mousePressEvent(event);
  if (event->button() == Qt::LeftButton)
    ScrollBoxAdvertisingClick();
}

// A notch moves the column by the increment; a smooth wheel or a touchpad,
// which report a notch in parts, get there pixel by pixel.
void TScrollBoxAdvertising::wheelEvent(QWheelEvent *event) {
  constexpr int anglePerPixel = kWheelNotch / VertScrollBarIncrement;
  FWheelAngle += event->angleDelta().y();
  const int pixels = FWheelAngle / anglePerPixel;
  FWheelAngle %= anglePerPixel;
  QScrollBar *bar = verticalScrollBar();
  bar->setValue(bar->value() - pixels);
  event->accept();
}
