// TWebLabel: a text label that works as a hyperlink. A click hands the
// scheme prefix of LinkTyp plus Link to the desktop, which opens it with the
// program registered for it (browser, mail program, ...).
#pragma once

#include "click_tracker.h"

#include <QLabel>
#include <QString>

#include <functional>

class TWebLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString Link READ Link WRITE setLink)
    Q_PROPERTY(TURLType LinkTyp READ LinkTyp WRITE setLinkTyp)
    Q_PROPERTY(bool Hover READ Hover WRITE setHover)

public:
    enum TURLType : int {
        lnFile = 0,
        lnFtp,
        lnGopher,
        lnHttp,
        lnHttps,
        lnMailto,
        lnNews,
        lnTelnet,
        lnWais,
    };
    Q_ENUM(TURLType)

    // Address opened for an empty Link (with "http://"); it is then kept
    // in Link.
    static const QString kDefaultLink;
    // Caption colour: pure blue. Font size: 10 points.
    static const QColor kLinkColor;
    static constexpr int kPointSize = 10;

    // Receives the complete text to open; returns whether something took
    // it. The default hands it to QDesktopServices::openUrl; a local file
    // that does not exist counts as not opened.
    using Opener = std::function<bool(const QString& address)>;
    // Replaces the opener for every label (tests capture the text with it);
    // an empty function restores the default. Returns the previous one.
    static Opener setOpener(Opener opener);

    // Gives this label an opener of its own, used instead of the one for
    // every label (a link the program shows itself); empty: none.
    void setLinkHandler(Opener handler) { m_handler = std::move(handler); }

    explicit TWebLabel(QWidget* parent = nullptr);
    explicit TWebLabel(const QString& text, QWidget* parent = nullptr);

    // The address without its scheme prefix.
    QString Link() const { return m_link; }
    TURLType LinkTyp() const { return m_linkTyp; }
    // When true, the caption is underlined only while the pointer is over it.
    bool Hover() const { return m_hover; }

    void setLink(const QString& link) { m_link = link; }
    void setLinkTyp(TURLType type) { m_linkTyp = type; }
    // Plain caption for true, underlined for false, at once.
    void setHover(bool hover);

    // What a click opens, without opening it.
    QString address() const;
    // Opens the link as a click does: an empty Link becomes kDefaultLink.
    // The label shows nothing when that fails; it emits notOpened.
    void Click();

    // The scheme prefix of a link type ("http://" for one outside the table).
    static QString prefixOf(TURLType type);
    // The text opened for a type and a non-empty link: the prefix, then the
    // link, whatever the link begins with.
    static QString composeAddress(TURLType type, const QString& link);

signals:
    // Nothing could open `address` (the text a click handed on).
    void notOpened(const QString& address);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Return, Enter and Space open the link while the label has the focus;
    // it takes the focus by Tab only.
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void setUnderlined(bool underlined);

    QString m_link;
    TURLType m_linkTyp = lnHttp;
    bool m_hover = false;
    ClickTracker m_click;
    Opener m_handler;
};
