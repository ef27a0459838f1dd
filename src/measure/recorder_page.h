// The "Zeitschreiber" page: the PC-side chart recorder.
#pragma once

#include <QWidget>

class QComboBox;
class QPlainTextEdit;
class QTimer;
class Shell;

namespace zentor {
class RecorderBuffer;
}

class RecorderPage : public QWidget {
    Q_OBJECT

public:
    // yttimer belongs to the main window; the page samples on its ticks.
    RecorderPage(Shell& shell, QTimer& yttimer, QWidget* parent = nullptr);

    QComboBox* timeyt;    // recording duration
    QComboBox* ytchannel; // channel
    QPlainTextEdit* ytmemo; // hidden; "&Kopieren" assembles its text here

    // The sample store, owned by the main window (allocated when the window
    // is created, released when it is destroyed).
    void setRecorderBuffer(zentor::RecorderBuffer* buffer) { m_buffer = buffer; }
    // Channel code of the recording (60: voltage).
    int RecorderChannel = 60;

public slots:
    void yttimerTimer();

private:
    Shell& m_shell;
    QTimer& yttimer;
    zentor::RecorderBuffer* m_buffer = nullptr;
};
