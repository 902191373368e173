#include "settings/Unit2.h"

#include "platform/DataFolder.h"
#include "platform/TextFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

TFormSetting::TFormSetting(QWidget *parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("FormSetting"));
  setWindowTitle(QStringLiteral("  Настройки"));
  resize(429, 330);

  CBTimeOut = new QComboBox;
  CBTimeOut->setObjectName(QStringLiteral("CBTimeOut"));
  for (const char *minutes : {"1",  "2",  "3",  "4",  "5",  "10", "15", "20",  "25",  "30",
                              "35", "40", "45", "50", "55", "60", "90", "120", "180", "240"})
    CBTimeOut->addItem(QString::fromLatin1(minutes));
  CBTimeOut->setCurrentIndex(9);
  CBTimeOut->setFixedWidth(53 + 20);

  ChBStoreXMLItemPos =
      new QCheckBox(QStringLiteral("  Сохранять позицию после обновления данных "));
  ChBStoreXMLItemPos->setObjectName(QStringLiteral("ChBStoreXMLItemPos"));
  CBFilterAssociation = new QComboBox;
  CBFilterAssociation->setObjectName(QStringLiteral("CBFilterAssociation"));
  CBFilterAssociation->addItems({QStringLiteral("И"), QStringLiteral("ИЛИ")});
  CBFilterAssociation->setCurrentIndex(0);
  CBFilterAssociation->setFixedWidth(53 + 20);

  ChBBallonsOff = new QCheckBox(QStringLiteral(" Отключить всплывающие сообщения"));
  ChBBallonsOff->setObjectName(QStringLiteral("ChBBallonsOff"));
  ChBSoundsUse = new QCheckBox(QStringLiteral(" Отключить звуки"));
  ChBSoundsUse->setObjectName(QStringLiteral("ChBSoundsUse"));

  CBSites = new QComboBox;
  CBSites->setObjectName(QStringLiteral("CBSites"));
  CBSites->setAccessibleName(QStringLiteral("Сайт"));
  auto *sitesBox = new QGroupBox(QStringLiteral(" Источники "));
  auto *sitesForm = new QFormLayout(sitesBox);
  auto *sitesLabel = new QLabel(QStringLiteral("Сайт"));
  sitesLabel->setBuddy(CBSites);
  sitesForm->addRow(sitesLabel, CBSites);

  auto *box = new QGroupBox(QStringLiteral(" Настройки программы "));
  box->setObjectName(QStringLiteral("KivGroupBox2"));
  auto *form = new QFormLayout(box);
  auto *timeOutLabel = new QLabel(QStringLiteral("Таймаут обновлений (минуты)"));
  timeOutLabel->setBuddy(CBTimeOut);
  form->addRow(timeOutLabel, CBTimeOut);
  form->addRow(ChBStoreXMLItemPos);
  auto *associationLabel = new QLabel(QStringLiteral("Объединение поисковых слов"));
  associationLabel->setBuddy(CBFilterAssociation);
  form->addRow(associationLabel, CBFilterAssociation);
  form->addRow(ChBBallonsOff);
  form->addRow(ChBSoundsUse);

  Button1 = new QPushButton(QStringLiteral("Закрыть"));
  Button1->setObjectName(QStringLiteral("Button1"));
  connect(Button1, &QPushButton::clicked, this, &QWidget::hide);
  auto *bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(Button1);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(sitesBox);
  layout->addWidget(box);
  layout->addStretch(1);
  layout->addLayout(bottom);

  LoadSites();
}

void TFormSetting::LoadSites() {
  QString error;
  const bool loaded = ::LoadSites(Sites, TDataFolder::file(QStringLiteral("vxs.ini")), &error);
  fillSiteList();
  if (loaded)
    return;
  // Shown without waiting: the program goes on with the catalogue it has.
  auto *box = new QMessageBox(QMessageBox::Critical, QApplication::applicationDisplayName(), error,
                              QMessageBox::Ok);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

// A freshly read catalogue starts from its first site, the archive.
void TFormSetting::fillSiteList() {
  CBSites->clear();
  for (int i = 0; i < Sites.count(); ++i)
    CBSites->addItem(Sites.title(i), QVariant::fromValue(Sites.record(i)));
  CBSites->setCurrentIndex(Sites.count() > 0 ? 0 : -1);
}

int TFormSetting::updateMinutes() const {
  return StrToIntSafe(CBTimeOut->currentText());
}

void TFormSetting::keyPressEvent(QKeyEvent *event) {
  // Esc works as "Закрыть": the window is only hidden, never destroyed.
  if (event->key() == Qt::Key_Escape) {
    hide();
    return;
  }
  QWidget::keyPressEvent(event);
}
