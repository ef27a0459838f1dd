// The keyboard focus goes back to a control that was disabled while it had
// it. A page disables its buttons while the board is busy; Qt then moves the
// focus on to the next control, and a keyboard user who pressed "Messen"
// finds it on "Automatisch wiederholen". When the control is enabled again
// and the focus is still where Qt put it, it returns, and a screen reader
// says the button again as the sign that the exchange is over. A focus that
// the user moved in the meantime stays where the user put it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace zentor::access {

class FocusReturn : public QObject {
    Q_OBJECT

public:
    // Watches every window of the application while it lives.
    explicit FocusReturn(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusChanged(QWidget* old, QWidget* now);

    QPointer<QWidget> m_left;   // the disabled control that had the focus
    QPointer<QWidget> m_holder; // where Qt put the focus instead
};

} // namespace zentor::access
