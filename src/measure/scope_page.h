// The "Oszilloskop" page.
#pragma once

#include <QWidget>

class QCheckBox;
class QTimer;
class Shell;

class ScopePage : public QWidget {
    Q_OBJECT

public:
    // TimerOszi belongs to the main window; it repeats the capture.
    ScopePage(Shell& shell, QTimer& timerOszi, QWidget* parent = nullptr);

    QCheckBox* CheckBox3; // "&Automatisch wiederholen"

private:
    Shell& m_shell;
    QTimer& TimerOszi;
};
