// What a screen reader says without the keyboard focus moving: status
// messages ("Programm gestartet", "Abgebrochen."), a line just inserted,
// a result that changed by a key.
//
// To assistive technology an Announcer is a status bar holding a few
// notifications; announce() gives the next one the text and shows it, and
// Orca speaks a notification of a status bar as its bare text the moment it
// shows. On the screen it takes no room. Each window has at most one,
// created on first use.
#pragma once

#include <QString>
#include <QWidget>

#include <array>

namespace zentor::access {

class Announcer : public QWidget {
    Q_OBJECT

public:
    // Kept in `parent`, invisible to the eye; the window it belongs to is
    // the one announcements from its widgets go to.
    explicit Announcer(QWidget* parent);

    // The announcer of `widget`'s window, created there on first use.
    static Announcer& of(QWidget& widget);

    // Says `text` (nothing for an empty text). Texts announced in quick
    // succession keep their own words: each one has a notification of its
    // own until four more came.
    void announce(const QString& text);

    // The last text announced; empty before the first.
    QString lastAnnouncement() const;

signals:
    void announced(const QString& text);

private:
    static constexpr int kNotices = 4;
    std::array<QWidget*, kNotices> m_notices{};
    int m_next = 0;
    QString m_last;
};

// Says `text` through the announcer of `from`'s window.
void announce(QWidget& from, const QString& text);

} // namespace zentor::access
