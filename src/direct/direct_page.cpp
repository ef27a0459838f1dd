#include "direct_page.h"

#include "shell.h"

#include <QTimer>

DirectPage::DirectPage(Shell& shell, QTimer& timer1, QWidget* parent)
    : QWidget(parent), m_shell(shell), Timer1(timer1) {
    connect(&Timer1, &QTimer::timeout, this, &DirectPage::Timer1Timer);
}

void DirectPage::Timer1Timer() {}
