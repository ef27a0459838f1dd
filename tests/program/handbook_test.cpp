// The handbook against the program: every text it quotes („…“, something
// the program writes) and every element it names in bold (a menu entry, a
// page, a button, a palette entry) is a text of the program, spelt as the
// program spells it; its command tables are the instruction table, grouped
// by the palettes that offer each instruction.
#include "example_programs.h"
#include "handbook.h"
#include "instruction_table.h"
#include "palettes.h"

#include "qstring_print.h"
#include "widget_access.h"

#include <QAccessible>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QLineEdit>
#include <QMap>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

const QString kSource = QStringLiteral(ZENTOR_SOURCE_DIR);

QString readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// A text as the window shows it: "&Send && Start" reads "Send & Start".
QString shown(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    text.replace(u'\x01', u'&');
    return text;
}

// The string literals of the program's sources, as shown; escaped line
// breaks split a literal into its lines.
QStringList programTexts() {
    static const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\\n]|\\.)*)")re"));
    static const QRegularExpression lineBreak(QStringLiteral(R"(\\[rn])"));
    QStringList texts;
    for (const QString& folder : {QStringLiteral("/src"), QStringLiteral("/tools")}) {
        QDirIterator files(kSource + folder, {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString code = readText(files.next());
            for (auto match = literal.globalMatch(code); match.hasNext();) {
                QString text = match.next().captured(1);
                text.replace(QStringLiteral("\\\""), QStringLiteral("\""));
                for (const QString& line : text.split(lineBreak))
                    texts << shown(line);
            }
        }
    }
    // The menu "Beispiel öffnen" offers the example files by name.
    for (const zentor::ExampleProgram& example :
         zentor::examplePrograms(kSource + QStringLiteral("/examples")))
        texts << example.caption;
    return texts;
}

// True when the program has this text: as part of a literal, as a format
// whose placeholders ("%1") the text fills, or as a literal that follows a
// number ("118" and " Bytes frei.").
bool programHas(const QStringList& texts, const QString& quoted) {
    static const QRegularExpression placeholder(QStringLiteral(R"(%\d)"));
    static const QRegularExpression leadingNumber(QStringLiteral(R"(^\d+(?= ))"));
    QString afterNumber = quoted;
    afterNumber.remove(leadingNumber);
    for (const QString& text : texts) {
        if (text.contains(quoted) || (afterNumber != quoted && text == afterNumber))
            return true;
        if (!text.contains(placeholder))
            continue;
        // A value fills a placeholder ("L7", "1,25"); a format without a
        // word of its own ("%1: %2") says nothing about a text.
        QStringList pieces = text.split(placeholder);
        if (!pieces.join(QString()).contains(QRegularExpression(QStringLiteral("[[:alpha:]]"))))
            continue;
        for (QString& piece : pieces)
            piece = QRegularExpression::escape(piece);
        const QRegularExpression format(
            QRegularExpression::anchoredPattern(pieces.join(QStringLiteral("\\S+"))));
        if (format.match(quoted).hasMatch())
            return true;
    }
    return false;
}

TEST(Handbook, QuotesOnlyTextsTheProgramHas) {
    const QString handbook = readText(kSource + QStringLiteral("/docs/handbuch.md"));
    ASSERT_FALSE(handbook.isEmpty());
    const QStringList texts = programTexts();
    ASSERT_TRUE(programHas(texts, QStringLiteral("Label wird noch benutzt!")));

    static const QRegularExpression quoted(QStringLiteral("„([^“]+)“|\\*\\*([^*]+)\\*\\*"));
    int checked = 0;
    for (auto match = quoted.globalMatch(handbook); match.hasNext();) {
        const auto m = match.next();
        // Quotes wrap with the paragraph.
        const QString text = (m.captured(1).isEmpty() ? m.captured(2) : m.captured(1)).simplified();
        EXPECT_TRUE(programHas(texts, text)) << text.toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 100);
    // A misspelt quote is caught.
    EXPECT_FALSE(programHas(texts, QStringLiteral("Label wird noch verwendet!")));
    EXPECT_FALSE(programHas(texts, QStringLiteral("Send and Start")));
}

// A table pattern ("A = n", "Goto L") as the instruction table writes it.
QString tablePattern(QString written) {
    if (written.endsWith(QStringLiteral(" n")))
        written.replace(written.size() - 1, 1, QStringLiteral(".n"));
    else if (written.endsWith(QStringLiteral(" L")))
        written.replace(written.size() - 1, 1, QStringLiteral(".a"));
    return written;
}

TEST(Handbook, CommandTablesAreTheInstructionTableByPalette) {
    const QString handbook = readText(kSource + QStringLiteral("/docs/handbuch.md"));
    const qsizetype begin = handbook.indexOf(QStringLiteral("\n## 5. "));
    const qsizetype end = handbook.indexOf(QStringLiteral("\n## "), begin + 1);
    ASSERT_GT(begin, 0);
    const QString section = handbook.mid(begin, end - begin);

    // Which group offers each instruction: its palette's caption.
    QMap<QString, QString> groupOf;
    for (const zentor::PaletteGroup& group : zentor::paletteGroups())
        for (const QString& entry : group.entries)
            for (const zentor::Instruction& i : zentor::kInstructionTable) {
                const QString pattern = QString::fromLatin1(i.pattern.data(), i.pattern.size());
                if (pattern == entry ||
                    (zentor::hasOperand(i) && QLatin1StringView(zentor::operandPrefix(i)) == entry))
                    groupOf.insert(pattern, group.caption);
            }
    for (const zentor::Instruction& i : zentor::kInstructionTable) {
        const QString pattern = QString::fromLatin1(i.pattern.data(), i.pattern.size());
        if (!groupOf.contains(pattern))
            groupOf.insert(pattern, QStringLiteral("Ohne Palette"));
    }

    static const QRegularExpression heading(QStringLiteral("^### (.+)$"));
    static const QRegularExpression row(QStringLiteral("^\\| `([^`]+)` \\|"));
    QString group;
    QStringList listed;
    for (const QString& line : section.split(u'\n')) {
        if (const auto h = heading.match(line); h.hasMatch()) {
            group = h.captured(1);
            continue;
        }
        const auto r = row.match(line);
        if (!r.hasMatch())
            continue;
        const QString pattern = tablePattern(r.captured(1));
        if (group == QStringLiteral("Bemerkungen und Labels")) {
            EXPECT_FALSE(groupOf.contains(pattern)) << pattern.toStdString();
            continue;
        }
        EXPECT_EQ(groupOf.value(pattern), group) << pattern.toStdString();
        listed << pattern;
    }
    QStringList all = groupOf.keys();
    all.sort();
    listed.sort();
    EXPECT_EQ(listed, all);
}

// The window: the contents link to anchors, Ctrl+F finds, Ctrl++ / Ctrl+-
// and Ctrl+wheel zoom, pictures follow the window's width, paragraphs keep
// their space.
TEST(HandbookWindowTest, ContentsSearchZoomAndPictures) {
    zentor::access::installWidgetAccessibility();
    const QString path = kSource + QStringLiteral("/docs/handbuch.md");
    HandbookWindow window(path);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_TRUE(window.loaded());
    QTextBrowser* browser = window.browser();

    QSet<QString> anchors;
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            for (const QString& name : it.fragment().charFormat().anchorNames())
                anchors.insert(name);
    static const QRegularExpression link(QStringLiteral(R"(\]\(#([^)]+)\))"));
    int links = 0;
    for (auto m = link.globalMatch(readText(path)); m.hasNext(); ++links) {
        const QString target = m.next().captured(1);
        EXPECT_TRUE(anchors.contains(target)) << target.toStdString();
    }
    EXPECT_GE(links, 11);
    // A click on the contents' entry scrolls to its section.
    QTextCursor entry = browser->document()->find(QStringLiteral("Stolperfallen"));
    ASSERT_FALSE(entry.isNull());
    entry.setPosition(entry.selectionStart() + 3);
    const QPoint at = browser->cursorRect(entry).center();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, at);
    EXPECT_GT(browser->verticalScrollBar()->value(), 0);
    // The text is read by line: the arrows move a text cursor, Ctrl+Home
    // takes it to the top.
    const int place = browser->textCursor().position();
    QTest::keyClick(browser, Qt::Key_Down);
    EXPECT_GT(browser->textCursor().position(), place);
    QTest::keyClick(browser, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(browser->textCursor().position(), 0);
    // A screen reader meets a read-only text (not a label) and reads the
    // line at the cursor, the title first.
    QAccessibleInterface* text = QAccessible::queryAccessibleInterface(browser);
    ASSERT_NE(text->textInterface(), nullptr);
    EXPECT_EQ(text->role(), QAccessible::EditableText);
    EXPECT_TRUE(text->state().readOnly);
    int start = -1;
    int end = -1;
    EXPECT_EQ(text->textInterface()->textAtOffset(0, QAccessible::LineBoundary, &start, &end),
              browser->document()->firstBlock().text() + u'\n');
    EXPECT_EQ(start, 0);

    QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(window.searchField()->isVisible());
    QTest::keyClicks(window.searchField(), QStringLiteral("dialout"));
    EXPECT_EQ(browser->textCursor().selectedText(), QStringLiteral("dialout"));
    const int first = browser->textCursor().position();
    QTest::keyClick(window.searchField(), Qt::Key_Return);
    EXPECT_GT(browser->textCursor().position(), first);

    const int size = window.textPixelSize();
    QTest::keyClick(&window, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_GT(window.textPixelSize(), size);
    QTest::keyClick(&window, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_LT(window.textPixelSize(), size);
    const int smaller = window.textPixelSize();
    QWheelEvent wheel(QPointF(10, 10), browser->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(browser->viewport(), &wheel);
    EXPECT_GT(window.textPixelSize(), smaller);

    // Pictures: at most the text's width, never more than their own.
    for (const int width : {420, 1900}) {
        window.resize(width, 600);
        // The text's width follows the window's once its layout has run.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const int text = browser->viewport()->width();
                return text < width && text > width - 80;
            },
            10000));
        int pictures = 0;
        for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextImageFormat picture = it.fragment().charFormat().toImageFormat();
                if (!picture.isValid())
                    continue;
                ++pictures;
                const QSize natural =
                    QImageReader(kSource + QStringLiteral("/docs/") + picture.name()).size();
                EXPECT_EQ(qRound(picture.width()),
                          std::min(natural.width(), browser->viewport()->width() - 24))
                    << width << " " << picture.name().toStdString();
            }
        EXPECT_GE(pictures, 6);
    }

    const QTextBlock paragraph = browser->document()->findBlockByNumber(1);
    EXPECT_GT(paragraph.blockFormat().bottomMargin(), 0);
}

// The reference card of the handbook fits one A4 page.
TEST(HandbookWindowTest, TheReferenceCardIsOnePage) {
    const QString section =
        referenceCardSection(readText(kSource + QStringLiteral("/docs/handbuch.md")));
    ASSERT_TRUE(section.startsWith(QStringLiteral("## 11. Kurzübersicht zum Ausdrucken\n")));
    EXPECT_FALSE(section.contains(QStringLiteral("\n## ")));
    int pages = 0;
    const QByteArray pdf = referenceCardPdf(section, &pages);
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
    EXPECT_EQ(pages, 1);
    // Twice the card does not fit: the count is real.
    referenceCardPdf(section + section + section, &pages);
    EXPECT_GT(pages, 1);
}

} // namespace
