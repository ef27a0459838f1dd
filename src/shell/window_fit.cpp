#include "window_fit.h"

#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

namespace zentor {

bool windowFits(QSize windowSize, QRect available) {
    const QSize framed = windowSize + kFrameAllowance;
    return framed.width() <= available.width() && framed.height() <= available.height();
}

bool fitWindowToScreen(QMainWindow& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        return false;
    const QRect available = screen->availableGeometry();
    const QSize full = window.size();
    if (windowFits(full, available))
        return false;
    // The pages keep their fixed size inside the scroll area; the menu bar
    // and the status bar stay in view.
    QWidget* pages = window.takeCentralWidget();
    auto* area = new QScrollArea(&window);
    area->setObjectName(QStringLiteral("PageScroller"));
    area->setAccessibleName(QStringLiteral("Seitenbereich"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(false);
    area->setWidget(pages);
    // No Tab stop of its own, and never the focus at start: the focus goes
    // to the controls, and the area scrolls to each one the focus reaches.
    area->setFocusPolicy(Qt::NoFocus);
    window.setCentralWidget(area);
    // Room for the scroll bars beside the full pages.
    const int bar = area->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area);
    const QSize largest = full + QSize(bar, bar);
    window.setMinimumSize(0, 0);
    window.setMaximumSize(largest);
    window.resize(largest.boundedTo(available.size() - kFrameAllowance));
    return true;
}

void keepLaidOutFonts(QWidget& window) {
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->testAttribute(Qt::WA_SetFont))
            continue; // a font of its own is kept anyway
        QFont font = widget->font();
        font.setResolveMask(QFont::AllPropertiesResolved);
        widget->setFont(font);
    }
}

} // namespace zentor
