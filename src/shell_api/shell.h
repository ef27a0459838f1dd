// What a page may ask of the main window. Pages reach the window only through
// this interface, never through each other's widgets.
#pragma once

#include <QString>

class Shell {
public:
    virtual ~Shell() = default;

    // The single status-bar panel: every operation writes its progress and
    // its outcome there, replacing the previous text. A text other than the
    // one shown is also announced to a screen reader, without the focus
    // moving.
    virtual void setStatusText(const QString& text) = 0;
    virtual QString statusText() const = 0;

    // A reading that follows the board all the time (the voltage on
    // "Direkt", the logger's countdown): shown as a status text, but not
    // announced, which would be every fraction of a second.
    virtual void setStatusReading(const QString& text) { setStatusText(text); }

    // A note beside the status text that lasts while its page is shown (the
    // lines of the listing the board skips). Empty hides it. The page sets
    // it when it is shown or its content changes and clears it when hidden.
    virtual void setStatusNote(const QString& text) { (void)text; }

    // The application title (task-bar text), also the caption of plain
    // message boxes.
    virtual void setApplicationTitle(const QString& title) = 0;
    virtual QString applicationTitle() const = 0;

    // The main window's caption ("Zentor", "Zentor - name.z").
    virtual void setWindowCaption(const QString& caption) = 0;

    // The read time-out (ms) given to the link after every connection.
    virtual int maxTimeout() const = 0;

    // True while the chart recorder records: its readings go to the board
    // every interval, and their lone ESC would interrupt a board program.
    virtual bool recordingRunning() const { return false; }
};
