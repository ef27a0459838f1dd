#include "focus_return.h"

#include <QApplication>
#include <QEvent>

namespace zentor::access {

FocusReturn::FocusReturn(QObject* parent) : QObject(parent) {
    connect(qApp, &QApplication::focusChanged, this, &FocusReturn::focusChanged);
}

void FocusReturn::focusChanged(QWidget* old, QWidget* now) {
    if (now != nullptr && now == m_left)
        return; // the return itself
    // Qt moves the focus away from a control it has just disabled; any
    // other change is the user's.
    const bool movedByQt =
        old != nullptr && now != nullptr && !old->isEnabled() && old->window() == now->window();
    if (movedByQt && m_left != nullptr && old == m_holder) {
        // The next control was disabled too ("Messen", then "RAM lesen"):
        // the focus still belongs to the first one.
        m_holder = now;
        return;
    }
    if (m_left != nullptr)
        m_left->removeEventFilter(this);
    m_left = movedByQt ? old : nullptr;
    m_holder = movedByQt ? now : nullptr;
    if (m_left != nullptr)
        m_left->installEventFilter(this);
}

bool FocusReturn::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::EnabledChange && watched == m_left && m_left->isEnabled()) {
        QWidget* control = m_left;
        control->removeEventFilter(this);
        const bool untouched = QApplication::focusWidget() == m_holder;
        m_left = nullptr;
        m_holder = nullptr;
        if (untouched && control->isVisible() && control->focusPolicy() & Qt::TabFocus)
            control->setFocus(Qt::OtherFocusReason);
    }
    return false;
}

} // namespace zentor::access
