// The "Direkt" page: the board's inputs live, its outputs by hand.
#pragma once

#include <QWidget>

class QTimer;
class Shell;

class DirectPage : public QWidget {
    Q_OBJECT

public:
    // Timer1 belongs to the main window, which arms it while this page is
    // shown; the page handles its ticks.
    DirectPage(Shell& shell, QTimer& timer1, QWidget* parent = nullptr);

public slots:
    void Timer1Timer();

private:
    Shell& m_shell;
    QTimer& Timer1;
};
