// Several controls as one Tab stop: Tab reaches the group at the member
// last visited, the arrow keys move between its members (Right and Down to
// the next, Left and Up to the previous), Home and End to the first and
// last one, and Tab leaves the group. Each member takes the keyboard focus
// itself, so that a screen reader says the member it reached ("Port Bit 5:
// an"). Used for the LEDs of "Direkt", which a keyboard user could not
// reach before.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace zentor::access {

class FocusGroup : public QObject {
    Q_OBJECT

public:
    // `members` in their order; the group is a child of the first one.
    // The members take the focus by Tab (the current one only) and by the
    // arrows, never by a click.
    explicit FocusGroup(const QList<QWidget*>& members);

    // The member Tab reaches; the first one until another was visited.
    QWidget* current() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void makeCurrent(int index);

    QList<QPointer<QWidget>> m_members;
    int m_current = 0;
};

} // namespace zentor::access
