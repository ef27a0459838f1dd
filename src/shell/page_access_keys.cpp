#include "page_access_keys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenuBar>
#include <QShortcut>
#include <QShortcutEvent>
#include <QTabBar>
#include <QTabWidget>

namespace {

// The one visible, enabled button inside `area` whose caption has the access
// key `key` (Alt+letter); nullptr when there is none or more than one.
QAbstractButton* controlWithAccessKey(const QWidget& area, const QKeySequence& key) {
    QAbstractButton* found = nullptr;
    for (QAbstractButton* button : area.findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || !button->isEnabled() ||
            QKeySequence::mnemonic(button->text()) != key)
            continue;
        if (found != nullptr)
            return nullptr; // two of them: Qt's own round of the focus
        found = button;
    }
    return found;
}

} // namespace

PageAccessKeys::PageAccessKeys(QMainWindow& window, QTabWidget& pages)
    : QObject(&window), m_window(window) {
    // Qt hands an ambiguous access key to one of its owners in turn (the
    // menu bar or the button), so both have to be watched.
    qApp->installEventFilter(this);
    // F10 opens the first menu, as in other desktop programs; Qt itself
    // leaves the key alone.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), &window);
    connect(f10, &QShortcut::activated, this, [this] {
        QMenuBar* bar = m_window.menuBar();
        if (!bar->actions().isEmpty())
            bar->setActiveAction(bar->actions().front());
    });
    // The page keys as window shortcuts: they come before the control with
    // the focus. The last page is followed by the first one.
    const struct {
        QKeySequence keys;
        int step;
    } pageKeys[] = {{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                    {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                    {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
                    {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
                    {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}};
    for (const auto& pageKey : pageKeys) {
        auto* shortcut = new QShortcut(pageKey.keys, &window);
        connect(shortcut, &QShortcut::activated, &pages, [&pages, step = pageKey.step] {
            const int count = pages.count();
            if (count > 0)
                pages.setCurrentIndex((pages.currentIndex() + step + count) % count);
        });
    }
}

bool PageAccessKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress)
        return returnOnTabs(watched, *static_cast<QKeyEvent*>(event));
    if (event->type() != QEvent::Shortcut || !watched->isWidgetType())
        return false;
    auto* owner = static_cast<QWidget*>(watched);
    const QWidget* page = m_window.centralWidget();
    if (owner->window() != &m_window || page == nullptr)
        return false;
    const auto* shortcut = static_cast<QShortcutEvent*>(event);
    QAbstractButton* control = controlWithAccessKey(*page, shortcut->key());
    if (control == nullptr || (owner == control && !shortcut->isAmbiguous()))
        return false; // nothing to decide, or Qt presses the control itself
    // What Qt does for an access key that only the control has.
    control->animateClick();
    return true;
}

bool PageAccessKeys::returnOnTabs(QObject* watched, QKeyEvent& event) {
    auto* tabs = qobject_cast<QTabBar*>(watched);
    if (tabs == nullptr || tabs->window() != &m_window ||
        (event.key() != Qt::Key_Return && event.key() != Qt::Key_Enter))
        return false;
    auto* pages = qobject_cast<QTabWidget*>(tabs->parentWidget());
    if (pages == nullptr || pages->currentWidget() == nullptr)
        return false;
    QKeyEvent copy(event.type(), event.key(), event.modifiers(), event.text());
    QCoreApplication::sendEvent(pages->currentWidget(), &copy);
    return copy.isAccepted();
}
