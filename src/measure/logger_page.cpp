#include "logger_page.h"

#include "shell.h"

#include <QTimer>

LoggerPage::LoggerPage(Shell& shell, QTimer& timer2, const QTimer& recorderTimer,
                       QWidget* parent)
    : QWidget(parent), m_shell(shell), Timer2(timer2), m_recorderTimer(recorderTimer) {
    connect(&Timer2, &QTimer::timeout, this, &LoggerPage::Timer2Timer);
}

void LoggerPage::ComboBox16Change() {}

void LoggerPage::Timer2Timer() {}
