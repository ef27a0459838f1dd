#include "weblabel.h"

#include "widget_access.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include <array>

namespace {

// Scheme prefix of each TURLType, in its order.
constexpr std::array<const char*, 9> kPrefixes = {
    "file://", "ftp://", "gopher://", "http://", "https://", "mailto:", "news:", "telnet:", "wais:",
};
constexpr int kHttpIndex = TWebLabel::lnHttp;

bool openWithDesktop(const QString& address) {
    const QUrl url(address, QUrl::TolerantMode);
    // The desktop's opener starts without looking at the file; a missing
    // one would only fail out of sight.
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return false;
    return QDesktopServices::openUrl(url);
}

TWebLabel::Opener& opener() {
    static TWebLabel::Opener current = openWithDesktop;
    return current;
}

} // namespace

const QString TWebLabel::kDefaultLink = QStringLiteral("www.zentor.example.org/");
const QColor TWebLabel::kLinkColor = QColor(0, 0, 255);

TWebLabel::Opener TWebLabel::setOpener(Opener replacement) {
    Opener previous = opener();
    opener() = replacement ? std::move(replacement) : Opener(openWithDesktop);
    return previous;
}

TWebLabel::TWebLabel(QWidget* parent) : QLabel(parent) {
    zentor::access::installWidgetAccessibility();
    setFocusPolicy(Qt::TabFocus);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, kLinkColor);
    setPalette(pal);
    QFont f = font();
    f.setPointSize(kPointSize);
    setFont(f);
    setUnderlined(true);
    setCursor(Qt::PointingHandCursor);
}

TWebLabel::TWebLabel(const QString& text, QWidget* parent) : TWebLabel(parent) {
    setText(text);
}

void TWebLabel::setUnderlined(bool underlined) {
    // The style is set as a whole: underlined, or no style at all.
    QFont f = font();
    f.setBold(false);
    f.setItalic(false);
    f.setStrikeOut(false);
    f.setUnderline(underlined);
    setFont(f);
}

void TWebLabel::setHover(bool hover) {
    m_hover = hover;
    setUnderlined(!hover);
}

QString TWebLabel::prefixOf(TURLType type) {
    const int index = static_cast<int>(type);
    const bool known = index >= 0 && index < static_cast<int>(kPrefixes.size());
    return QString::fromLatin1(kPrefixes[static_cast<std::size_t>(known ? index : kHttpIndex)]);
}

QString TWebLabel::composeAddress(TURLType type, const QString& link) {
    // The prefix always goes in front: a link written with its scheme opens
    // with that scheme twice. Links are meant to be given without one.
    return prefixOf(type) + link;
}

QString TWebLabel::address() const {
    if (m_link.isEmpty()) {
        return prefixOf(lnHttp) + kDefaultLink;
    }
    return composeAddress(m_linkTyp, m_link);
}

void TWebLabel::Click() {
    const QString text = address();
    if (m_link.isEmpty()) {
        m_link = kDefaultLink;
    }
    if (!(m_handler ? m_handler(text) : opener()(text)))
        emit notOpened(text);
}

void TWebLabel::enterEvent(QEnterEvent* event) {
    if (m_hover) {
        setUnderlined(true);
    }
    QLabel::enterEvent(event);
}

void TWebLabel::leaveEvent(QEvent* event) {
    if (m_hover) {
        setUnderlined(false);
    }
    QLabel::leaveEvent(event);
}

void TWebLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_click.press(*event);
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void TWebLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const bool click = m_click.release(*event, rect());
        event->accept();
        if (click) {
            Click();
        }
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void TWebLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (!event->isAutoRepeat())
            Click();
        event->accept();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void TWebLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        zentor::access::drawFocusFrame(painter, rect());
    }
}

void TWebLabel::focusInEvent(QFocusEvent* event) {
    QLabel::focusInEvent(event);
    update();
}

void TWebLabel::focusOutEvent(QFocusEvent* event) {
    QLabel::focusOutEvent(event);
    update();
}
