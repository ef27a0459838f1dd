// Access keys of the page in front. A menu title and a control on the visible
// page may share a letter ("&Bearbeiten" and "&Break"); Qt then treats
// Alt+letter as ambiguous, and the first press only moves the focus. Here the
// page's control wins at the first press, as a keyboard user expects of the
// control in front of them. On pages without such a control Alt+letter opens
// the menu as before, and F10 opens the menu bar on every page. Return and
// Enter on the page tabs reach the page in front, so that a page with a
// start button starts as it does when the focus is inside it. Ctrl+Tab and
// Ctrl+Page Down go to the next page, Ctrl+Shift+Tab and Ctrl+Page Up to the
// one before, wherever the focus is in the window: a list, a text field or
// a slider of the page would keep them for itself otherwise.
#pragma once

#include <QObject>

class QKeyEvent;
class QMainWindow;
class QTabWidget;

class PageAccessKeys : public QObject {
public:
    // Watches the shortcut events of `window` (an application-wide event
    // filter while this object lives); a child of `window`, whose pages are
    // `pages`.
    PageAccessKeys(QMainWindow& window, QTabWidget& pages);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Return or Enter on the page tabs: handed to the page in front.
    bool returnOnTabs(QObject* watched, QKeyEvent& event);

    QMainWindow& m_window;
};
