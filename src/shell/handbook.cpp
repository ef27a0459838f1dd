#include "handbook.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QUrl>
#include <QVBoxLayout>

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

namespace {

constexpr QSize kWindowSize{820, 680};
// Room the text keeps beside a picture (the document's margins and the
// scroll bar).
constexpr int kPictureMargin = 40;

} // namespace

HandbookWindow::HandbookWindow(const QString& path, QWidget* parent)
    : QDialog(parent), m_browser(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("Handbuch"));
    setWindowTitle(QStringLiteral("Zentor - Handbuch"));
    resize(kWindowSize);

    m_browser->setObjectName(QStringLiteral("HandbuchText"));
    m_browser->setAccessibleName(QStringLiteral("Handbuch"));
    m_browser->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("&Schließen"),
                                            QDialogButtonBox::RejectRole);
    close->setAccessibleName(QStringLiteral("Handbuch schließen"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(buttons);

    if (QFileInfo(path).isFile()) {
        m_folder = QFileInfo(path).absoluteDir();
        m_browser->setSearchPaths({m_folder.path()});
        m_browser->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
        m_loaded = !m_browser->document()->isEmpty();
        fitPictures();
    }
    if (!m_loaded)
        m_browser->setPlainText(handbookNotOpenedText(path));
    m_browser->setFocus();
}

void HandbookWindow::fitPictures() {
    const int width = kWindowSize.width() - kPictureMargin;
    QTextDocument* document = m_browser->document();
    struct Picture {
        int position;
        QTextImageFormat format;
    };
    QList<Picture> wide;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            if (!format.isValid())
                continue;
            // Only the picture's header is read for its size.
            const QSize size = QImageReader(m_folder.filePath(format.name())).size();
            if (!size.isValid() || size.width() <= width)
                continue;
            format.setWidth(width);
            format.setHeight(size.height() * width / size.width());
            wide.append({fragment.position(), format});
        }
    }
    for (const Picture& picture : wide) {
        QTextCursor cursor(document);
        cursor.setPosition(picture.position);
        cursor.setPosition(picture.position + 1, QTextCursor::KeepAnchor);
        cursor.setCharFormat(picture.format);
    }
}
