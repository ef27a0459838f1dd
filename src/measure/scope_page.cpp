#include "scope_page.h"

#include "shell.h"

#include <QCheckBox>
#include <QTimer>

ScopePage::ScopePage(Shell& shell, QTimer& timerOszi, QWidget* parent)
    : QWidget(parent), CheckBox3(new QCheckBox(QStringLiteral("&Automatisch wiederholen"), this)),
      m_shell(shell), TimerOszi(timerOszi) {
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
}
