// The "Zeitschreiber" page: the PC-side chart recorder.
#pragma once

#include <QWidget>

class QComboBox;
class QTimer;
class Shell;

class RecorderPage : public QWidget {
    Q_OBJECT

public:
    // yttimer belongs to the main window; the page samples on its ticks.
    RecorderPage(Shell& shell, QTimer& yttimer, QWidget* parent = nullptr);

    QComboBox* timeyt;    // recording duration
    QComboBox* ytchannel; // channel

public slots:
    void yttimerTimer();

private:
    Shell& m_shell;
    QTimer& yttimer;
};
