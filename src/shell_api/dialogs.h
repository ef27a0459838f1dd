// Message boxes and the default beep, behind one replaceable handler so that
// tests can answer them without a person at the screen.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace dialogs {

enum class Kind {
    Information, // plain box without icon, OK button, caption: the application title
    Error,       // caption "Fehler", error icon, OK button
    Question,    // Yes and No (confirmations)
    YesNoCancel, // Yes, No and Cancel
};

struct Request {
    Kind kind;
    QString caption;
    QString text;
    // An Information box may offer one action beside OK; the box returns
    // Yes when it was chosen.
    QString action = {};
};

// Returns the button that closed the box. The default shows a QMessageBox.
using Handler = std::function<QMessageBox::StandardButton(QWidget* parent, const Request&)>;
// Installs a handler (tests); an empty one restores the default. Returns the
// previous handler.
Handler setHandler(Handler handler);

// The caption of plain boxes: the application title of the main window.
void setApplicationTitle(const QString& title);
QString applicationTitle();

void information(QWidget* parent, const QString& text);
// A plain box with OK and a button for action; true when the action was
// chosen.
bool offer(QWidget* parent, const QString& text, const QString& action);
void error(QWidget* parent, const QString& text);
// True for Yes.
bool question(QWidget* parent, const QString& text);
QMessageBox::StandardButton yesNoCancel(QWidget* parent, const QString& text);

// The system's default beep; replaceable for tests.
using BeepHandler = std::function<void()>;
BeepHandler setBeepHandler(BeepHandler handler);
void beep();

} // namespace dialogs
