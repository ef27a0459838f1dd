#include "dialogs.h"

#include <QApplication>
#include <QPushButton>

namespace dialogs {

namespace {

const QString kErrorCaption = QStringLiteral("Fehler");

// The system's texts break lines with a carriage return alone, which a
// message box would not show as a line break.
QString displayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

QMessageBox::StandardButton showBox(QWidget* parent, const Request& request) {
    const QString text = displayText(request.text);
    switch (request.kind) {
    case Kind::Information: {
        // A plain box: no icon, unlike QMessageBox::information.
        QMessageBox box(QMessageBox::NoIcon, request.caption, text, QMessageBox::Ok, parent);
        QPushButton* action = request.action.isEmpty()
                                  ? nullptr
                                  : box.addButton(request.action, QMessageBox::ActionRole);
        // With the action beside it Qt finds no button for Escape; it is
        // "OK", as in the box without the action.
        box.setEscapeButton(QMessageBox::Ok);
        box.exec();
        return action != nullptr && box.clickedButton() == action ? QMessageBox::Yes
                                                                  : QMessageBox::Ok;
    }
    case Kind::Error:
        return QMessageBox::critical(parent, request.caption, text);
    case Kind::Question:
        return QMessageBox::question(parent, request.caption, text,
                                     QMessageBox::Yes | QMessageBox::No);
    case Kind::YesNoCancel:
        return QMessageBox::question(parent, request.caption, text,
                                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    }
    return QMessageBox::NoButton;
}

Handler& handler() {
    static Handler h = showBox;
    return h;
}

BeepHandler& beepHandler() {
    static BeepHandler h = [] { QApplication::beep(); };
    return h;
}

QString& title() {
    static QString t = QStringLiteral("ZENTOR");
    return t;
}

} // namespace

Handler setHandler(Handler h) {
    Handler previous = handler();
    handler() = h ? std::move(h) : showBox;
    return previous;
}

void setApplicationTitle(const QString& t) { title() = t; }
QString applicationTitle() { return title(); }

void information(QWidget* parent, const QString& text) {
    handler()(parent, {Kind::Information, title(), text});
}

bool offer(QWidget* parent, const QString& text, const QString& action) {
    return handler()(parent, {Kind::Information, title(), text, action}) == QMessageBox::Yes;
}

void error(QWidget* parent, const QString& text) {
    handler()(parent, {Kind::Error, kErrorCaption, text});
}

bool question(QWidget* parent, const QString& text) {
    return handler()(parent, {Kind::Question, title(), text}) == QMessageBox::Yes;
}

QMessageBox::StandardButton yesNoCancel(QWidget* parent, const QString& text) {
    return handler()(parent, {Kind::YesNoCancel, title(), text});
}

BeepHandler setBeepHandler(BeepHandler h) {
    BeepHandler previous = beepHandler();
    beepHandler() = h ? std::move(h) : [] { QApplication::beep(); };
    return previous;
}

void beep() { beepHandler()(); }

} // namespace dialogs
