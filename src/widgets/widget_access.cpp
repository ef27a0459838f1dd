#include "widget_access.h"

#include "amadvled.h"
#include "amm.h"
#include "chart_widget.h"
#include "weblabel.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QValidator>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

namespace zentor::access {

namespace {

double channel(int value) {
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& color) {
    const QColor rgb = color.toRgb();
    return 0.2126 * channel(rgb.red()) + 0.7152 * channel(rgb.green()) +
           0.0722 * channel(rgb.blue());
}

// The meter: a read-only dial. Its value is the reading as the screen shows
// it ("3,37 Volt", "172 Wert"); its description is the reading as last told,
// which changes at most once a second (TAnal::spokenReading), so that a
// screen reader says it while the meter has the focus. There is no value
// interface: a screen reader would say the bare needle position instead.
// Pressing it switches the scale.
class MeterAccessible : public QAccessibleWidget {
public:
    explicit MeterAccessible(TAnal* meter) : QAccessibleWidget(meter, QAccessible::Dial) {}

    TAnal* meter() const { return static_cast<TAnal*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return meter()->valueText();
        if (t == QAccessible::Description)
            return meter()->spokenReading();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction())
            meter()->Click();
    }
};

// An LED: an indicator whose state is "checked" while it is lit. A named
// LED says its state with its name ("Port Bit 5: an"), so that the state is
// heard when it takes the focus and again when it changes meanwhile.
class LedAccessible : public QAccessibleWidget {
public:
    explicit LedAccessible(TAMAdvLed* led) : QAccessibleWidget(led, QAccessible::Indicator) {}

    TAMAdvLed* led() const { return static_cast<TAMAdvLed*>(widget()); }

    QString text(QAccessible::Text t) const override {
        const QString state = led()->LedOn() ? QStringLiteral("an") : QStringLiteral("aus");
        if (t == QAccessible::Value)
            return state;
        if (t == QAccessible::Name && !led()->accessibleName().isEmpty())
            return led()->accessibleName() + QStringLiteral(": ") + state;
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = led()->LedOn();
        s.readOnly = true;
        return s;
    }
};

// The captions of a chart's axes as a screen reader says them, "X-Achse: t
// in s, Y-Achse: Volt". An axis without a caption of its own (none, or the
// chart's default "X-Achse") is left out, not said as "X-Achse: X-Achse".
QString axesText(const QString& captionX, const QString& captionY) {
    QStringList axes;
    for (const auto& [axis, caption] : {std::pair{QStringLiteral("X-Achse"), captionX.trimmed()},
                                        std::pair{QStringLiteral("Y-Achse"), captionY.trimmed()}})
        if (!caption.isEmpty() && caption != axis)
            axes << axis + QStringLiteral(": ") + caption;
    return axes.join(QStringLiteral(", "));
}

// A chart: its value is the number of values it shows, its description the
// captions of its axes.
class ChartAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ChartAccessible(ChartWidgetBase* chart)
        : QAccessibleWidget(chart, QAccessible::Chart) {}

    ChartWidgetBase* chart() const { return static_cast<ChartWidgetBase*>(widget()); }

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Value:
            return QStringLiteral("%1 Werte").arg(chart()->valueCount());
        case QAccessible::Description:
            if (chart()->accessibleDescription().isEmpty())
                return axesText(chart()->CaptionX(), chart()->CaptionY());
            break;
        default:
            break;
        }
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return chart()->valueCount(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return chart()->valueCount(); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};

// The link label: a link named by its caption that opens when pressed.
class LinkAccessible : public QAccessibleWidget {
public:
    explicit LinkAccessible(TWebLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

    TWebLabel* label() const { return static_cast<TWebLabel*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && label()->accessibleName().isEmpty())
            return label()->text();
        if (t == QAccessible::Value)
            return label()->address();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction())
            label()->Click();
    }
};

// A drop-down list named by its label and its value, "Messdauer: 20
// Sekunden", as the screen shows both side by side; Qt's own names it by
// its current entry alone here. Orca says a drop-down list's name when it
// takes the focus, and again when its value interface reports a change: so
// the value is heard on focus and on every change by the arrow keys. The
// value is the entry; the list of entries is its one child.
class ComboAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ComboAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }

    QString text(QAccessible::Text t) const override {
        // Entries may be aligned with leading blanks (" 10 Sekunden").
        const QString entry = combo()->currentText().trimmed();
        if (t == QAccessible::Value)
            return entry;
        if (t == QAccessible::Name) {
            const QString label = combo()->accessibleName();
            if (label.isEmpty())
                return entry;
            if (entry.isEmpty())
                return label;
            return label + QStringLiteral(": ") + entry;
        }
        return QAccessibleWidget::text(t);
    }
    // The buddy label is left out: Orca speaks a label it is given in place
    // of the name, and so said "Messdauer:" without the entry.
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override {
        auto related = QAccessibleWidget::relations(match);
        related.removeIf([](const auto& pair) { return pair.second & QAccessible::Label; });
        return related;
    }
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(combo()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && child->object() == combo()->view() ? 0 : -1;
    }
    QAccessible::State state() const override {
        // Not "expandable": Orca would add "eingeklappt" to every change.
        QAccessible::State s = QAccessibleWidget::state();
        s.expanded = combo()->view()->isVisible();
        s.editable = combo()->isEditable();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& name) override {
        if (name == showMenuAction() || name == pressAction())
            combo()->showPopup();
    }

    // The value interface: the entry's place in the list.
    // An entry is chosen by the keys, as the pages expect, not set here.
    QVariant currentValue() const override { return combo()->currentIndex(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return std::max(0, combo()->count() - 1); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};

// The offset a screen reader asks a text about, or nothing when it lies
// outside the text (both answered ends are then -1). -1 stands for the
// cursor's place. The end of a text that holds something belongs to the
// word, sentence or line before it: Qt 6.4's own answer for the end of a
// text never came.
std::optional<int> askedOffset(const QAccessibleTextInterface& text, int offset,
                               QAccessible::TextBoundaryType boundaryType, int* startOffset,
                               int* endOffset) {
    const int length = text.characterCount();
    if (offset == -1)
        offset = text.cursorPosition();
    if (offset == length && length > 0 && boundaryType != QAccessible::CharBoundary)
        offset = length - 1;
    if (offset < 0 || offset > length) {
        *startOffset = *endOffset = -1;
        return std::nullopt;
    }
    return offset;
}

// A one-line text field. Qt 6.4's own interface spins for ever when a
// screen reader asks for the word or sentence at the end of a field that
// holds text (Ctrl+Left at the end of "Kommentar"); this one asks Qt's
// text rules only for offsets inside the text. Everything else is what a
// line edit tells: its text (masked in a password field), its cursor and
// selection, and editing.
class LineEditAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit LineEditAccessible(QLineEdit* edit)
        : QAccessibleWidget(edit, QAccessible::EditableText) {
        addControllingSignal(QStringLiteral("textChanged(const QString&)"));
        addControllingSignal(QStringLiteral("returnPressed()"));
    }

    QLineEdit* edit() const { return static_cast<QLineEdit*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return shownText();
        if (t == QAccessible::Name && edit()->accessibleName().isEmpty() &&
            !edit()->placeholderText().isEmpty())
            return edit()->placeholderText();
        return QAccessibleWidget::text(t);
    }
    void setText(QAccessible::Text t, const QString& text) override {
        if (t != QAccessible::Value) {
            QAccessibleWidget::setText(t, text);
            return;
        }
        QString fixed = text;
        if (const QValidator* validator = edit()->validator()) {
            int position = 0;
            if (validator->validate(fixed, position) == QValidator::Invalid)
                return;
        }
        edit()->setText(fixed);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !edit()->isReadOnly();
        s.readOnly = edit()->isReadOnly();
        s.passwordEdit = edit()->echoMode() != QLineEdit::Normal;
        s.selectableText = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (t == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // ---- QAccessibleTextInterface
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || !edit()->hasSelectedText())
            return;
        *startOffset = edit()->selectionStart();
        *endOffset = *startOffset + int(edit()->selectedText().size());
    }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int selectionIndex) override {
        if (selectionIndex == 0)
            edit()->deselect();
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override {
        if (selectionIndex == 0)
            edit()->setSelection(startOffset, endOffset - startOffset);
    }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
    QString text(int startOffset, int endOffset) const override {
        if (startOffset > endOffset)
            return {};
        return shownText().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(shownText().size()); }
    QRect characterRect(int offset) const override {
        // The cursor's rectangle at that offset, on the screen.
        const int keep = edit()->cursorPosition();
        const bool blocked = edit()->blockSignals(true);
        edit()->setCursorPosition(offset);
        QRect rect = edit()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        edit()->setCursorPosition(keep);
        edit()->blockSignals(blocked);
        rect.setWidth(std::max(rect.width(), edit()->fontMetrics().averageCharWidth()));
        return QRect(edit()->mapToGlobal(rect.topLeft()), rect.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int /*endIndex*/) override {
        edit()->setCursorPosition(startIndex);
    }
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        (void)offset;
        return {};
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override {
        const std::optional<int> at =
            askedOffset(*this, offset, boundaryType, startOffset, endOffset);
        if (!at)
            return {};
        return QAccessibleTextInterface::textAtOffset(*at, boundaryType, startOffset, endOffset);
    }

    // ---- QAccessibleEditableTextInterface
    void deleteText(int startOffset, int endOffset) override {
        replaceText(startOffset, endOffset, QString());
    }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString& text) override {
        if (edit()->isReadOnly() || startOffset < 0 || endOffset < startOffset)
            return;
        QString changed = edit()->text();
        changed.replace(startOffset, endOffset - startOffset, text);
        setText(QAccessible::Value, changed);
    }

private:
    QString shownText() const { return edit()->displayText(); }
};

// A text area that is read, not written, such as the handbook's. Qt calls a
// text browser static text, and Orca then reads it as a label; as a
// read-only text its lines are read one by one with the arrow keys.
class TextAreaAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TextAreaAccessible(QTextEdit* edit)
        : QAccessibleWidget(edit, QAccessible::EditableText) {}

    QTextEdit* edit() const { return static_cast<QTextEdit*>(widget()); }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = edit()->isReadOnly();
        s.editable = !s.readOnly;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        const QTextCursor cursor = edit()->textCursor();
        const bool has = selectionIndex == 0 && cursor.hasSelection();
        *startOffset = has ? cursor.selectionStart() : 0;
        *endOffset = has ? cursor.selectionEnd() : 0;
    }
    int selectionCount() const override { return edit()->textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int selectionIndex) override {
        if (selectionIndex != 0)
            return;
        QTextCursor cursor = edit()->textCursor();
        cursor.clearSelection();
        edit()->setTextCursor(cursor);
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override {
        if (selectionIndex == 0)
            edit()->setTextCursor(cursorAt(startOffset, endOffset));
    }
    int cursorPosition() const override { return edit()->textCursor().position(); }
    void setCursorPosition(int position) override {
        edit()->setTextCursor(cursorAt(position, position));
        edit()->ensureCursorVisible();
    }
    QString text(int startOffset, int endOffset) const override {
        if (startOffset > endOffset)
            return {};
        return plainText().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return edit()->document()->characterCount() - 1; }
    QRect characterRect(int offset) const override {
        QRect rect = edit()->cursorRect(cursorAt(offset, offset));
        rect.setWidth(std::max(rect.width(), edit()->fontMetrics().averageCharWidth()));
        return QRect(edit()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return edit()->cursorForPosition(edit()->viewport()->mapFromGlobal(point)).position();
    }
    void scrollToSubstring(int startIndex, int /*endIndex*/) override {
        setCursorPosition(startIndex);
    }
    QString attributes(int /*offset*/, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override {
        const std::optional<int> at =
            askedOffset(*this, offset, boundaryType, startOffset, endOffset);
        if (!at)
            return {};
        if (boundaryType != QAccessible::LineBoundary)
            return QAccessibleTextInterface::textAtOffset(*at, boundaryType, startOffset,
                                                          endOffset);
        // A line as the screen shows it, wrapped to the window's width.
        const int length = characterCount();
        QTextCursor cursor = cursorAt(*at, *at);
        cursor.movePosition(QTextCursor::StartOfLine);
        *startOffset = cursor.position();
        cursor.movePosition(QTextCursor::EndOfLine);
        *endOffset = std::min(cursor.position() + 1, length); // with its line break
        return text(*startOffset, *endOffset);
    }

private:
    QString plainText() const {
        // One character per document position: paragraph ends as line breaks.
        QString text = edit()->document()->toRawText();
        for (QChar& c : text)
            if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
                c = QLatin1Char('\n');
        return text;
    }
    QTextCursor cursorAt(int anchor, int position) const {
        QTextCursor cursor(edit()->document());
        const int last = characterCount();
        cursor.setPosition(std::clamp(anchor, 0, last));
        cursor.setPosition(std::clamp(position, 0, last), QTextCursor::KeepAnchor);
        return cursor;
    }
};

QAccessibleInterface* widgetInterface(const QString& className, QObject* object) {
    // An announcer is a status bar of notifications (announcer.h).
    if (className == QLatin1String("zentor::access::Announcer"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StatusBar);
    if (className == QLatin1String("zentor::access::Notice"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    // The pages of a tab widget lie in a stack that Qt calls a layered
    // pane, and Orca says "Schichtleiste" whenever the focus enters a page.
    // The page tab names the page already; the stack is a plain container.
    if (className == QLatin1String("QStackedWidget") &&
        qobject_cast<QTabWidget*>(object->parent()) != nullptr)
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Client);
    if (className == QLatin1String("QLineEdit"))
        return new LineEditAccessible(static_cast<QLineEdit*>(object));
    if (className == QLatin1String("QTextBrowser"))
        return new TextAreaAccessible(static_cast<QTextEdit*>(object));
    if (className == QLatin1String("QComboBox"))
        return new ComboAccessible(static_cast<QComboBox*>(object));
    if (className == QLatin1String("TAnal"))
        return new MeterAccessible(static_cast<TAnal*>(object));
    if (className == QLatin1String("TAMAdvLed"))
        return new LedAccessible(static_cast<TAMAdvLed*>(object));
    if (className == QLatin1String("TDiagramm") || className == QLatin1String("TDiagram"))
        return new ChartAccessible(static_cast<ChartWidgetBase*>(object));
    if (className == QLatin1String("TWebLabel"))
        return new LinkAccessible(static_cast<TWebLabel*>(object));
    return nullptr;
}

} // namespace

void installWidgetAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(widgetInterface);
        return true;
    }();
    (void)installed;
}

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& background, const QColor& preferred, double minimum) {
    if (contrastRatio(background, preferred) >= minimum)
        return preferred;
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return contrastRatio(background, black) >= contrastRatio(background, white) ? black : white;
}

void nameFileDialog(QFileDialog& dialog) {
    installWidgetAccessibility();
    const std::array<std::pair<const char*, const char*>, 2> pairs{{
        {"lookInLabel", "lookInCombo"},
        {"fileTypeLabel", "fileTypeCombo"},
    }};
    for (const auto& [labelName, comboName] : pairs) {
        const auto* label = dialog.findChild<QLabel*>(QLatin1String(labelName));
        auto* combo = dialog.findChild<QComboBox*>(QLatin1String(comboName));
        if (label == nullptr || combo == nullptr || !combo->accessibleName().isEmpty())
            continue;
        QString text = label->text();
        text.remove(QLatin1Char('&'));
        if (text.endsWith(QLatin1Char(':')))
            text.chop(1);
        combo->setAccessibleName(text.trimmed());
    }
}

void drawFocusFrame(QPainter& painter, const QRect& rect) {
    // Filled edges rather than lines: on a screen scaled to 150 % a line
    // at the widget's edge may fall between device pixels.
    const auto ring = [&painter](const QRect& r, const QColor& color) {
        painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), color);
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), color);
    };
    ring(rect, Qt::black);
    ring(rect.adjusted(1, 1, -1, -1), Qt::white);
}

} // namespace zentor::access
