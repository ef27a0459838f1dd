#include "focus_group.h"

#include <QKeyEvent>

#include <algorithm>

namespace zentor::access {

FocusGroup::FocusGroup(const QList<QWidget*>& members)
    : QObject(members.isEmpty() ? nullptr : members.front()) {
    for (QWidget* member : members) {
        m_members.append(member);
        member->installEventFilter(this);
    }
    makeCurrent(0);
}

QWidget* FocusGroup::current() const {
    return m_members.value(m_current);
}

void FocusGroup::makeCurrent(int index) {
    m_current = index;
    // Only the current member is in the Tab chain: the group is one stop.
    for (int i = 0; i < m_members.size(); ++i)
        if (m_members[i])
            m_members[i]->setFocusPolicy(i == index ? Qt::TabFocus : Qt::NoFocus);
}

bool FocusGroup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int from = m_members.indexOf(qobject_cast<QWidget*>(watched));
    if (from < 0)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    const int last = static_cast<int>(m_members.size()) - 1;
    int to = from;
    switch (key->key()) {
    case Qt::Key_Right:
    case Qt::Key_Down:
        to = std::min(from + 1, last);
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        to = std::max(from - 1, 0);
        break;
    case Qt::Key_Home:
        to = 0;
        break;
    case Qt::Key_End:
        to = last;
        break;
    default:
        return false;
    }
    if (to != from && m_members[to]) {
        makeCurrent(to);
        m_members[to]->setFocus(Qt::OtherFocusReason);
    }
    return true;
}

} // namespace zentor::access
