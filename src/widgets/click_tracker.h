// A click as the widgets here report it: the left button pressed on the
// widget and released while the pointer is still over it.
#pragma once

#include <QMouseEvent>
#include <QRect>

class ClickTracker {
public:
    void press(const QMouseEvent& event) {
        if (event.button() == Qt::LeftButton)
            m_pressed = true;
    }

    // True when this release completes a click inside `area`.
    bool release(const QMouseEvent& event, const QRect& area) {
        const bool click = m_pressed && event.button() == Qt::LeftButton &&
                           area.contains(event.position().toPoint());
        if (event.button() == Qt::LeftButton)
            m_pressed = false;
        return click;
    }

    // Forgets a press (the release that follows belongs to a double click).
    void cancel() { m_pressed = false; }

private:
    bool m_pressed = false;
};
