#include "recorder_page.h"

#include "recorder.h"
#include "shell.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTimer>

RecorderPage::RecorderPage(Shell& shell, QTimer& timer, QWidget* parent)
    : QWidget(parent), timeyt(new QComboBox(this)), ytchannel(new QComboBox(this)),
      ytmemo(new QPlainTextEdit(this)), m_shell(shell), yttimer(timer) {
    ytmemo->setObjectName(QStringLiteral("ytmemo"));
    ytmemo->hide();
    timeyt->setObjectName(QStringLiteral("timeyt"));
    for (const auto& row : zentor::kRecorderRows)
        timeyt->addItem(row.itemText.toString());
    ytchannel->setObjectName(QStringLiteral("ytchannel"));
    for (const auto& row : zentor::kRecorderChannels)
        ytchannel->addItem(row.itemText.toString());
    connect(&yttimer, &QTimer::timeout, this, &RecorderPage::yttimerTimer);
}

void RecorderPage::yttimerTimer() {}
