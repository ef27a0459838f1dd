#include "announcer.h"

#include "widget_access.h"

#include <QAccessible>

namespace zentor::access {

// One notification; its text is its accessible name. Its role and the
// announcer's come from the accessibility factory (widget_access.cpp).
class Notice : public QWidget {
    Q_OBJECT

public:
    explicit Notice(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("Notice"));
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(0, 0, 0, 0);
    }
};

Announcer::Announcer(QWidget* parent) : QWidget(parent) {
    installWidgetAccessibility();
    setObjectName(QStringLiteral("Announcer"));
    setAccessibleName(QStringLiteral("Meldungen"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 0, 0);
    for (QWidget*& notice : m_notices)
        notice = new Notice(this);
    show();
}

Announcer& Announcer::of(QWidget& widget) {
    QWidget* window = widget.window();
    // A window's own widgets only: a dialog or tool window that belongs to
    // it is a child too.
    for (Announcer* announcer : window->findChildren<Announcer*>())
        if (announcer->window() == window)
            return *announcer;
    return *new Announcer(window);
}

void Announcer::announce(const QString& text) {
    if (text.isEmpty())
        return;
    m_last = text;
    QWidget* notice = m_notices[static_cast<std::size_t>(m_next)];
    m_next = (m_next + 1) % kNotices;
    notice->setAccessibleName(text);
    QAccessibleEvent shown(notice, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
    emit announced(text);
}

QString Announcer::lastAnnouncement() const {
    return m_last;
}

void announce(QWidget& from, const QString& text) {
    Announcer::of(from).announce(text);
}

} // namespace zentor::access

#include "announcer.moc"
