#include "handbook.h"

#include "atomic_file.h"
#include "dialogs.h"
#include "program_file.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QPdfWriter>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextList>
#include <QTextTable>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

namespace zentor {

QString dataFolder(const QString& applicationDir) {
    // ZENTOR_DATA_FROM_BINDIR: the data folder relative to the installed
    // program's folder. The build tree's programs lie one folder deeper
    // (src/shell, tests/shell) below the build's share/zentor.
    const QString relative = QStringLiteral(ZENTOR_DATA_FROM_BINDIR);
    const QString installed = QDir::cleanPath(applicationDir + u'/' + relative);
    if (QFileInfo(installed).isDir())
        return installed;
    const QString buildTree = QDir::cleanPath(applicationDir + QStringLiteral("/../") + relative);
    return QFileInfo(buildTree).isDir() ? buildTree : installed;
}

} // namespace zentor

QString handbookPath(const QString& programFolder) {
    return zentor::dataFolder(programFolder) + QStringLiteral("/handbuch/handbuch.md");
}

QString handbookNotOpenedText(const QString& path) {
    return QStringLiteral("Das Handbuch fehlt; es gehört nach %1").arg(path);
}

QString referenceCardSection(const QString& handbookMarkdown) {
    static const QRegularExpression heading(
        QStringLiteral("^## [0-9]+\\. Kurzübersicht zum Ausdrucken$"),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch found = heading.match(handbookMarkdown);
    if (!found.hasMatch())
        return {};
    const qsizetype end = handbookMarkdown.indexOf(QStringLiteral("\n## "), found.capturedEnd());
    return handbookMarkdown.mid(found.capturedStart(), end < 0 ? -1 : end - found.capturedStart());
}

QByteArray referenceCardPdf(const QString& sectionMarkdown, int* pages) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setTitle(QStringLiteral("Zentor - Kurzübersicht"));
    writer.setCreator(QStringLiteral("Zentor"));
    QTextDocument card;
    QFont font = card.defaultFont();
    font.setPointSize(12);
    card.setDefaultFont(font);
    card.setMarkdown(sectionMarkdown);
    card.print(&writer);
    buffer.close();
    if (pages != nullptr) {
        // The pages as the PDF holds them (print() lays out a copy).
        static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
        *pages = static_cast<int>(QString::fromLatin1(bytes).count(page));
    }
    return bytes;
}

namespace {

constexpr QSize kWindowSize{820, 680};
// Room the text keeps beside a picture (the document's margins).
constexpr int kPictureMargin = 24;
// Zoom: pixels per step, and how far it goes.
constexpr int kZoomPixels = 2;
constexpr int kZoomSteps = 12;
// A handbook is a few hundred kilobytes at most.
constexpr qint64 kHandbookLimit = 4 * 1024 * 1024;
// Space below a paragraph, in lines of the text.
constexpr qreal kParagraphSpace = 0.6;

} // namespace

QString HandbookWindow::anchorOf(const QString& heading) {
    // As Markdown renderers do: lower case, letters, digits, blanks and
    // hyphens kept, blanks become hyphens.
    QString anchor;
    for (const QChar c : heading.trimmed().toLower()) {
        if (c.isLetterOrNumber() || c == u'-' || c == u'_')
            anchor += c;
        else if (c == u' ')
            anchor += u'-';
    }
    return anchor;
}

HandbookWindow::HandbookWindow(const QString& path, QWidget* parent)
    : QDialog(parent), m_browser(new QTextBrowser(this)), m_searchBar(new QWidget(this)),
      m_search(new QLineEdit(m_searchBar)), m_searchState(new QLabel(m_searchBar)) {
    setObjectName(QStringLiteral("Handbuch"));
    setWindowTitle(QStringLiteral("Zentor - Handbuch"));
    resize(kWindowSize);

    m_browser->setObjectName(QStringLiteral("HandbuchText"));
    m_browser->setAccessibleName(QStringLiteral("Handbuch"));
    // A text cursor that the keys move, though nothing can be typed: the
    // arrows go line by line and Ctrl+Home to the top, and a screen reader
    // reads the line the cursor reaches. Tab goes from link to link and
    // Enter follows one, as before.
    m_browser->setTextInteractionFlags(Qt::TextBrowserInteraction | Qt::TextSelectableByKeyboard);
    // Links are followed here: a reload of the handbook for an anchor of
    // its own would lose the anchors and the fitted pictures.
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == QStringLiteral("file") || url.isRelative()) {
            if (url.hasFragment())
                m_browser->scrollToAnchor(url.fragment(QUrl::FullyDecoded));
            return;
        }
        QDesktopServices::openUrl(url);
    });
    m_browser->viewport()->installEventFilter(this);

    // The search, shown by Ctrl+F.
    auto* searchLabel = new QLabel(QStringLiteral("&Suchen:"), m_searchBar);
    searchLabel->setBuddy(m_search);
    m_search->setObjectName(QStringLiteral("HandbuchSuche"));
    m_search->setAccessibleName(QStringLiteral("Im Handbuch suchen: "));
    m_search->setClearButtonEnabled(true);
    m_searchState->setObjectName(QStringLiteral("HandbuchSucheStand"));
    auto* next = new QPushButton(QStringLiteral("&Weitersuchen"), m_searchBar);
    next->setAccessibleName(QStringLiteral("Nächste Stelle im Handbuch"));
    auto* searchLayout = new QHBoxLayout(m_searchBar);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    searchLayout->addWidget(searchLabel);
    searchLayout->addWidget(m_search, 1);
    searchLayout->addWidget(next);
    searchLayout->addWidget(m_searchState);
    m_searchBar->hide();
    connect(m_search, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_search->setAccessibleName(QStringLiteral("Im Handbuch suchen: ") + text);
        // Each new text is looked for from the top.
        m_browser->moveCursor(QTextCursor::Start);
        findNext();
    });
    connect(m_search, &QLineEdit::returnPressed, this, &HandbookWindow::findNext);
    connect(next, &QPushButton::clicked, this, &HandbookWindow::findNext);
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &HandbookWindow::openSearch);
    auto* findAgain = new QShortcut(QKeySequence::FindNext, this);
    connect(findAgain, &QShortcut::activated, this, [this] {
        if (m_search->text().isEmpty())
            openSearch();
        else
            findNext();
    });
    // Ctrl++ (also Ctrl+= on keyboards where + needs Shift) and Ctrl+-.
    for (const QKeySequence& keys :
         {QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [this] { zoomBy(1); });
    connect(new QShortcut(QKeySequence::ZoomOut, this), &QShortcut::activated, this,
            [this] { zoomBy(-1); });

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* card = buttons->addButton(QStringLiteral("&Kurzübersicht als PDF ..."),
                                           QDialogButtonBox::ActionRole);
    card->setObjectName(QStringLiteral("HandbuchKarte"));
    card->setAccessibleName(QStringLiteral("Kurzübersicht als PDF speichern"));
    connect(card, &QPushButton::clicked, this, &HandbookWindow::saveReferenceCard);
    QPushButton* close = buttons->addButton(QStringLiteral("&Schließen"),
                                            QDialogButtonBox::RejectRole);
    close->setAccessibleName(QStringLiteral("Handbuch schließen"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(m_searchBar);
    layout->addWidget(buttons);

    const QFont font = m_browser->font();
    m_basePixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    if (QFileInfo(path).isFile()) {
        m_folder = QFileInfo(path).absoluteDir();
        m_browser->setSearchPaths({m_folder.path()});
        m_browser->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
        m_loaded = !m_browser->document()->isEmpty();
        // The card is printed from the text itself; the browser's document
        // holds it already laid out.
        const zentor::FileRead text = zentor::readRegularFile(path, kHandbookLimit);
        if (text.bytes)
            m_markdown = QString::fromUtf8(*text.bytes);
        nameHeadings();
        spaceParagraphs();
        fitPictures();
    }
    if (!m_loaded)
        m_browser->setPlainText(handbookNotOpenedText(path));
    card->setEnabled(!referenceCardSection(m_markdown).isEmpty());
    m_browser->setFocus();
}

void HandbookWindow::saveReferenceCard() {
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Kurzübersicht speichern"),
        QDir::home().filePath(QStringLiteral("zentor-kurzuebersicht.pdf")),
        QStringLiteral("PDF-Dateien (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    const zentor::SaveResult saved =
        zentor::writeFileAtomically(path, referenceCardPdf(referenceCardSection(m_markdown)));
    if (!saved)
        dialogs::error(this, saved.explained(QStringLiteral("Die Datei \"%1\" kann nicht "
                                                            "gespeichert werden.")
                                                 .arg(QDir::toNativeSeparators(path))));
}

void HandbookWindow::nameHeadings() {
    QTextDocument* document = m_browser->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0)
            continue;
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setAnchor(true);
        format.setAnchorNames({anchorOf(block.text())});
        cursor.mergeCharFormat(format);
    }
}

void HandbookWindow::spaceParagraphs() {
    QTextDocument* document = m_browser->document();
    const qreal space = QFontMetricsF(m_browser->font()).lineSpacing() * kParagraphSpace;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        // List items and table cells keep their tight rows.
        if (block.textList() != nullptr || QTextCursor(block).currentTable() != nullptr)
            continue;
        QTextBlockFormat format = block.blockFormat();
        if (format.bottomMargin() >= space)
            continue;
        format.setBottomMargin(space);
        QTextCursor(block).setBlockFormat(format);
    }
}

int HandbookWindow::textPixelSize() const {
    const QFont font = m_browser->document()->defaultFont();
    return font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
}

void HandbookWindow::zoomBy(int steps) {
    m_zoom = std::clamp(m_zoom + steps, -kZoomSteps / 2, kZoomSteps);
    QFont font = m_browser->document()->defaultFont();
    font.setPixelSize(std::max(6, m_basePixels + m_zoom * kZoomPixels));
    m_browser->document()->setDefaultFont(font);
}

void HandbookWindow::openSearch() {
    m_searchBar->show();
    m_search->setFocus();
    m_search->selectAll();
}

bool HandbookWindow::findNext() {
    const QString text = m_search->text();
    if (text.isEmpty()) {
        m_searchState->clear();
        return false;
    }
    bool found = m_browser->find(text);
    if (!found) {
        m_browser->moveCursor(QTextCursor::Start);
        found = m_browser->find(text);
    }
    m_searchState->setText(found ? QString() : QStringLiteral("Nicht gefunden"));
    m_searchState->setAccessibleName(m_searchState->text());
    return found;
}

bool HandbookWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_browser->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int delta = wheel->angleDelta().y();
            if (delta != 0)
                zoomBy(delta > 0 ? 1 : -1);
            return true;
        }
    }
    // The viewport has its new width when its own resize arrives.
    if (watched == m_browser->viewport() && event->type() == QEvent::Resize)
        fitPictures();
    return QDialog::eventFilter(watched, event);
}

void HandbookWindow::fitPictures() {
    QTextDocument* document = m_browser->document();
    if (m_pictures.isEmpty()) {
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                const QTextImageFormat format = fragment.charFormat().toImageFormat();
                if (!format.isValid())
                    continue;
                // Only the picture's header is read for its size.
                const QSize size = QImageReader(m_folder.filePath(format.name())).size();
                if (size.isValid())
                    m_pictures.append({fragment.position(), size});
            }
    }
    const int width = std::max(100, m_browser->viewport()->width() - kPictureMargin);
    for (const Picture& picture : m_pictures) {
        QTextCursor cursor(document);
        cursor.setPosition(picture.position);
        cursor.setPosition(picture.position + 1, QTextCursor::KeepAnchor);
        QTextImageFormat format = cursor.charFormat().toImageFormat();
        const int shown = std::min(width, picture.natural.width());
        if (!format.isValid() || qRound(format.width()) == shown)
            continue;
        format.setWidth(shown);
        format.setHeight(picture.natural.height() * shown / picture.natural.width());
        cursor.setCharFormat(format);
    }
}
