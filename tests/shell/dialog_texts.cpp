// Prints the texts of Qt's own dialogs as the program shows them, one line
// each: the confirm box of "&Neu", the "Über" box, an error box (their icons
// and buttons) and the save dialog (its field captions and buttons). The
// window test runs it under several locales; it starts the program's own
// translation set-up, as main() does.
#include "dialogs.h"
#include "qt_german.h"
#include "tform1.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMetaEnum>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

QString buttonTexts(const QList<QAbstractButton*>& buttons) {
    QStringList texts;
    for (const QAbstractButton* button : buttons)
        texts << button->text();
    texts.sort();
    return texts.join(u'|');
}

QString describe(QDialog& dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(&dialog))
        return QString::fromLatin1(
                   QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box->icon())) +
               QStringLiteral(": ") + buttonTexts(box->buttons());
    QStringList captions;
    for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
        if (const auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name)))
            captions << label->text();
    const auto* buttonBox = dialog.findChild<QDialogButtonBox*>();
    return captions.join(u'|') + QStringLiteral(": ") +
           (buttonBox != nullptr ? buttonTexts(buttonBox->buttons()) : QString());
}

// Runs `open`, which shows a modal dialog; describes the dialog once it is
// up and cancels it.
QString describeModal(const std::function<void()>& open) {
    QString description;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        poll.stop();
        description = describe(*dialog);
        dialog->reject();
    });
    poll.start(0);
    open();
    return description;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    installQtGerman(app);
    TForm1 window; // never shown: no port, no first-start box
    const std::pair<const char*, std::function<void()>> boxes[] = {
        {"Neu", [&] { window.Beenden2->trigger(); }},
        {"Über", [&] { window.ber1->trigger(); }},
        {"Fehler", [&] { dialogs::error(&window, QStringLiteral("Fehler")); }},
        {"Speichern", [&] { window.Speichern1->trigger(); }},
    };
    for (const auto& [name, open] : boxes)
        std::printf("%s: %s\n", name, describeModal(open).toUtf8().constData());
    return 0;
}
