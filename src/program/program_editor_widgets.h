// The controls of the listing editor that need more than a stock widget: the
// listing itself (tab stops, drops, the keys and mouse clicks the editor
// reacts to), the palettes (drag sources with fixed rows) and the number
// fields (clicks and double-clicks). They only report events; the page
// decides what happens.
#pragma once

#include <QLineEdit>
#include <QListWidget>
#include <QStyledItemDelegate>

#include <functional>

// Paints list rows of a fixed height, expanding tabs to fixed stops.
class ListRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // `rowHeight` in pixels; `tabStop` in pixels, 0 for the font's default.
    ListRowDelegate(int rowHeight, qreal tabStop, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int m_rowHeight;
    qreal m_tabStop;
};

// The palettes and the listing have a current entry (the keyboard's place
// in the list, which screen readers are told has the focus) only while they
// have the keyboard focus; what they offer is their selected entry.
//
// A palette: pressing on an entry selects it, moving the pointer then drags
// it. The drag carries the entry's text; drop targets identify the palette
// by the drag's source.
class PaletteBox : public QListWidget {
    Q_OBJECT

public:
    explicit PaletteBox(QWidget* parent = nullptr);

    // The selected entry's text; empty when none is selected.
    QString selectedEntry() const;

signals:
    // Return, Enter or Space on an entry: it is selected, and the page
    // inserts it as a double-click does.
    void entryChosen();
    // The focus came with Tab or Backtab (or moved on from a control that
    // was disabled).
    void enteredByKeyboard();

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
};

// The listing. Drag events are answered by the callbacks (source widget and
// position in viewport pixels); key and mouse events are reported before
// (press) or after (release) the list's own handling.
class ListingBox : public QListWidget {
    Q_OBJECT

public:
    explicit ListingBox(QWidget* parent = nullptr);

    // True: accept the drop at this position.
    std::function<bool(QObject* source, const QPoint& pos)> onDragOver;
    std::function<void(QObject* source, const QPoint& pos)> onDrop;

    // The row under a viewport position; -1 below the last line.
    int rowAt(const QPoint& pos) const;

signals:
    void keyDown(int key);
    void keyUp(int key);
    void mouseDown(const QPoint& pos);
    void mouseUp(const QPoint& pos);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
};

// A number field: reports clicks and double-clicks into it. Takes no drops.
class NumberField : public QLineEdit {
    Q_OBJECT

public:
    explicit NumberField(QWidget* parent = nullptr);

signals:
    void clicked();
    void doubleClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // The field has no frame: a focus frame shows where typing goes.
    void paintEvent(QPaintEvent* event) override;
};
