// Return and Enter on a page of the main window. Outside a dialog Qt gives a
// default button nothing to do; the measurement pages press it themselves,
// as users of the window expect.
#pragma once

#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace zentor {

// For Return and Enter: presses the push button that has the focus on `page`,
// elsewhere on the page `defaultButton`, when that button is enabled; returns
// true (the key is used up). False for every other key.
inline bool pressDefaultButton(const QKeyEvent& event, const QWidget& page,
                               QPushButton& defaultButton) {
    if (event.key() != Qt::Key_Return && event.key() != Qt::Key_Enter)
        return false;
    auto* focused = qobject_cast<QPushButton*>(page.focusWidget());
    QPushButton* button = focused != nullptr ? focused : &defaultButton;
    if (button->isEnabled())
        button->click();
    return true;
}

} // namespace zentor
