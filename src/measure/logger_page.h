// The "Extern Messen" page: the board-side data logger.
#pragma once

#include <QWidget>

class QComboBox;
class QTimer;
class Shell;

class LoggerPage : public QWidget {
    Q_OBJECT

public:
    // Timer2 belongs to the main window; it counts a measurement down. The
    // recorder's timer is looked at only: no logger start while it samples.
    LoggerPage(Shell& shell, QTimer& timer2, const QTimer& recorderTimer,
               QWidget* parent = nullptr);

public slots:
    void ComboBox16Change();
    void Timer2Timer();

private:
    Shell& m_shell;
    QTimer& Timer2;
    const QTimer& m_recorderTimer;
};
