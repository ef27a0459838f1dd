#include "program_editor_widgets.h"

#include "widget_access.h"

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTextOption>

namespace {

// Starts a copying drag of the selected row's text. Copy only: the stock
// views remove the dragged rows after a move, which neither the palettes
// nor the listing may do.
void dragSelectedRow(QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty())
        return;
    const QListWidgetItem* item = selected.front();
    auto* mime = new QMimeData;
    mime->setText(item->text());
    auto* drag = new QDrag(list);
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

// A list without the keyboard focus keeps no current entry: screen readers
// would take it for the focus. The selection stays.
void dropCurrentUnlessFocused(QListWidget& list, const QModelIndex& current) {
    if (current.isValid() && !list.hasFocus())
        list.selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

// The keyboard starts at the selected entry, or at the first one.
void takeCurrentOnFocus(QListWidget& list) {
    if (list.currentItem() != nullptr || list.count() == 0)
        return;
    const QList<QListWidgetItem*> selected = list.selectedItems();
    const int row = selected.isEmpty() ? 0 : list.row(selected.front());
    list.selectionModel()->setCurrentIndex(list.model()->index(row, 0),
                                           QItemSelectionModel::NoUpdate);
}

} // namespace

ListRowDelegate::ListRowDelegate(int rowHeight, qreal tabStop, QObject* parent)
    : QStyledItemDelegate(parent), m_rowHeight(rowHeight), m_tabStop(tabStop) {}

void ListRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget* widget = opt.widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    // Background, selection and focus frame as the style draws them.
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    QPalette::ColorGroup group = QPalette::Normal;
    if (!(opt.state & QStyle::State_Enabled))
        group = QPalette::Disabled;
    else if (!(opt.state & QStyle::State_Active))
        group = QPalette::Inactive;
    const bool selected = (opt.state & QStyle::State_Selected) != 0;
    painter->save();
    painter->setPen(
        opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(opt.font);
    // The stock text drawing knows only the font's default tab width.
    QTextOption textOption(Qt::AlignLeft | Qt::AlignVCenter);
    textOption.setWrapMode(QTextOption::NoWrap);
    if (m_tabStop > 0)
        textOption.setTabStopDistance(m_tabStop);
    painter->drawText(QRectF(opt.rect.adjusted(2, 0, -2, 0)), text, textOption);
    painter->restore();
}

QSize ListRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    return {QStyledItemDelegate::sizeHint(option, index).width(), m_rowHeight};
}

PaletteBox::PaletteBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
}

QString PaletteBox::selectedEntry() const {
    const QList<QListWidgetItem*> items = selectedItems();
    return items.isEmpty() ? QString() : items.front()->text();
}

void PaletteBox::startDrag(Qt::DropActions) {
    dragSelectedRow(this);
}

void PaletteBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (QListWidgetItem* item = currentItem(); item != nullptr && !event->isAutoRepeat()) {
            item->setSelected(true);
            emit entryChosen();
        }
        // Used up: the key must not reach a default button of the page.
        event->accept();
        return;
    default:
        QListWidget::keyPressEvent(event);
    }
}

void PaletteBox::focusInEvent(QFocusEvent* event) {
    QListWidget::focusInEvent(event);
    takeCurrentOnFocus(*this);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        emit enteredByKeyboard();
}

void PaletteBox::focusOutEvent(QFocusEvent* event) {
    QListWidget::focusOutEvent(event);
    dropCurrentUnlessFocused(*this, currentIndex());
}

void PaletteBox::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    // Qt 6.4's list view tells assistive technology that its new current
    // entry has the focus even while the list has not: after "Neu" a screen
    // reader named an entry of the label list instead of the control with
    // the focus. Without the focus the entry changes in silence.
    if (hasFocus())
        QListWidget::currentChanged(current, previous);
    else
        QAbstractItemView::currentChanged(current, previous);
    dropCurrentUnlessFocused(*this, current);
}

void ListingBox::focusInEvent(QFocusEvent* event) {
    takeCurrentOnFocus(*this);
    QListWidget::focusInEvent(event);
    // A screen reader names the entry from the entry's own focus event,
    // which Qt sends only when the current entry changes while the list has
    // the focus. An entry made current while the focus was elsewhere (the
    // listing built anew behind the "Programm löschen?" box, before the
    // window had its focus back) is told here; else Orca said the entry or
    // not, as the window's focus and the new listing met.
    if (currentIndex().isValid())
        QListWidget::currentChanged(currentIndex(), currentIndex());
}

void ListingBox::focusOutEvent(QFocusEvent* event) {
    QListWidget::focusOutEvent(event);
    dropCurrentUnlessFocused(*this, currentIndex());
}

void ListingBox::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    // Without the focus in silence, as in PaletteBox::currentChanged.
    if (hasFocus())
        QListWidget::currentChanged(current, previous);
    else
        QAbstractItemView::currentChanged(current, previous);
    dropCurrentUnlessFocused(*this, current);
}

ListingBox::ListingBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setDragEnabled(false);
}

int ListingBox::rowAt(const QPoint& pos) const {
    const QModelIndex index = indexAt(pos);
    return index.isValid() ? index.row() : -1;
}

void ListingBox::keyPressEvent(QKeyEvent* event) {
    emit keyDown(event->key());
    QListWidget::keyPressEvent(event);
}

void ListingBox::keyReleaseEvent(QKeyEvent* event) {
    QListWidget::keyReleaseEvent(event);
    // A key held down reports one release, when it is let go.
    if (!event->isAutoRepeat())
        emit keyUp(event->key());
}

void ListingBox::mousePressEvent(QMouseEvent* event) {
    emit mouseDown(event->position().toPoint());
    QListWidget::mousePressEvent(event);
}

void ListingBox::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    emit mouseUp(event->position().toPoint());
}

void ListingBox::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void ListingBox::dragMoveEvent(QDragMoveEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (onDragOver && onDragOver(event->source(), pos)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
    // Near the top or bottom edge a long listing scrolls, so that every row
    // can be reached while dragging.
    const int margin = autoScrollMargin();
    if (pos.y() < margin || pos.y() > viewport()->height() - margin)
        startAutoScroll();
}

void ListingBox::dragLeaveEvent(QDragLeaveEvent* event) {
    stopAutoScroll();
    event->accept();
}

void ListingBox::dropEvent(QDropEvent* event) {
    stopAutoScroll();
    if (onDrop)
        onDrop(event->source(), event->position().toPoint());
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ListingBox::startDrag(Qt::DropActions) {
    dragSelectedRow(this);
}

NumberField::NumberField(QWidget* parent) : QLineEdit(parent) {
    // Palette entries go into the listing only.
    setAcceptDrops(false);
}

void NumberField::mouseReleaseEvent(QMouseEvent* event) {
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

void NumberField::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        zentor::access::drawFocusFrame(painter, rect());
    }
}

void NumberField::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}
