#include "monitor_box.h"

#include "dialogs.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

namespace {

const QString kFieldName = QStringLiteral("Byte für Input A: ");

} // namespace

MonitorBox::MonitorBox(QWidget* parent)
    : QGroupBox(QStringLiteral("Ausgabe der Platine"), parent), m_list(new QListWidget(this)),
      m_field(new QLineEdit(this)), m_send(new QPushButton(QStringLiteral("Senden"), this)),
      m_copy(new QPushButton(QStringLiteral("Kopieren"), this)), m_hint(new QLabel(this)) {
    setObjectName(QStringLiteral("GroupBoxMonitor"));
    m_list->setObjectName(QStringLiteral("ListMonitor"));
    m_field->setObjectName(QStringLiteral("EditMonitor"));
    m_send->setObjectName(QStringLiteral("ButtonMonitorSend"));
    m_copy->setObjectName(QStringLiteral("ButtonMonitorCopy"));
    m_hint->setObjectName(QStringLiteral("LabelMonitorHint"));

    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(12);
    m_list->setFont(fixed);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setUniformItemSizes(true);
    m_field->setMaxLength(3);
    m_field->setPlaceholderText(QStringLiteral("0..255"));
    m_field->setToolTip(QStringLiteral("Ein Byte für \"Input A\" im laufenden Programm"));
    m_hint->setWordWrap(true);
    m_hint->hide();

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 2, 4, 4);
    grid->setSpacing(3);
    grid->addWidget(m_list, 0, 0, 1, 2);
    grid->addWidget(m_field, 1, 0);
    grid->addWidget(m_send, 1, 1);
    grid->addWidget(m_hint, 2, 0, 1, 2);
    grid->addWidget(m_copy, 3, 0, 1, 2);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(1, 1);
    m_field->setFixedWidth(m_field->fontMetrics().horizontalAdvance(QStringLiteral("0..255")) + 8);

    m_send->setAccessibleName(QStringLiteral("Senden an Input A"));
    m_copy->setAccessibleName(QStringLiteral("Ausgabe der Platine kopieren"));
    m_field->setAccessibleName(kFieldName);
    connect(m_field, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_field->setAccessibleName(kFieldName + text);
        m_hint->hide();
    });
    connect(m_field, &QLineEdit::returnPressed, this, &MonitorBox::sendClicked);
    connect(m_send, &QPushButton::clicked, this, &MonitorBox::sendClicked);
    connect(m_copy, &QPushButton::clicked, this, &MonitorBox::copyClicked);
    setSendingEnabled(false);
    nameList();
}

void MonitorBox::clearLog() {
    m_log.clear();
    m_list->clear();
    nameList();
}

void MonitorBox::append(const zentor::PrintedByte& byte) {
    m_log.append(byte);
    if (m_list->count() >= zentor::MonitorLog::kCapacity)
        delete m_list->takeItem(0);
    m_list->addItem(zentor::MonitorLog::rowText(byte));
    m_list->scrollToBottom();
    nameList();
}

void MonitorBox::setSendingEnabled(bool enabled) {
    m_field->setEnabled(enabled);
    m_send->setEnabled(enabled);
}

void MonitorBox::sendClicked() {
    if (!m_send->isEnabled())
        return;
    const zentor::SendByte parsed = zentor::parseSendByte(m_field->text());
    if (!parsed.value) {
        m_hint->setText(parsed.refusal);
        m_hint->setAccessibleName(parsed.refusal);
        m_hint->show();
        dialogs::beep();
        return;
    }
    m_hint->hide();
    emit sendRequested(*parsed.value);
}

void MonitorBox::copyClicked() {
    QGuiApplication::clipboard()->setText(m_log.copyText());
}

void MonitorBox::nameList() {
    const auto& bytes = m_log.bytes();
    m_list->setAccessibleName(bytes.isEmpty()
                                  ? QStringLiteral("Ausgabe der Platine: nichts empfangen")
                                  : QStringLiteral("Ausgabe der Platine: %1 Bytes, zuletzt %2")
                                        .arg(bytes.size())
                                        .arg(zentor::MonitorLog::rowText(bytes.back())));
}
