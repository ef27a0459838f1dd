// The page's view of the transfer: status bar and time-out through the shell,
// the progress bar, error boxes and the beep through the dialogs.
#include "dialogs.h"
#include "program_transfer.h"
#include "qstring_print.h"
#include "shell.h"

#include <QProgressBar>

#include <gtest/gtest.h>

namespace zentor {
namespace {

class RecordingShell : public Shell {
public:
    void setStatusText(const QString& text) override { status = text; }
    QString statusText() const override { return status; }
    void setApplicationTitle(const QString&) override {}
    QString applicationTitle() const override { return QStringLiteral("Zentor"); }
    void setWindowCaption(const QString&) override {}
    int maxTimeout() const override { return 250; }

    QString status;
};

TEST(ProgramTransferView, ForwardsToShellBarAndDialogs) {
    RecordingShell shell;
    QProgressBar bar;
    WidgetTransferView view(shell, &bar, nullptr);

    std::vector<dialogs::Request> boxes;
    const auto oldHandler = dialogs::setHandler([&](QWidget*, const dialogs::Request& r) {
        boxes.push_back(r);
        return QMessageBox::Ok;
    });
    int beeps = 0;
    const auto oldBeep = dialogs::setBeepHandler([&] { ++beeps; });

    view.setStatusText(QStringLiteral("Überprüfung..."));
    EXPECT_EQ(shell.status, "Überprüfung...");
    view.setProgressMaximum(128);
    view.setProgressPosition(127);
    EXPECT_EQ(bar.maximum(), 128);
    EXPECT_EQ(bar.value(), 127);
    EXPECT_EQ(view.maxTimeout(), 250);

    view.showError(QStringLiteral("Programm zu lang!"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, dialogs::Kind::Error);
    EXPECT_EQ(boxes[0].text, "Programm zu lang!");
    view.beep();
    EXPECT_EQ(beeps, 1);

    dialogs::setHandler(oldHandler);
    dialogs::setBeepHandler(oldBeep);
}

// A refused send shows its reason through the page's widgets.
TEST(ProgramTransferView, TooLongProgramShowsTheErrorBox) {
    RecordingShell shell;
    QProgressBar bar;
    WidgetTransferView view(shell, &bar, nullptr);
    ProgramTransfer transfer(view);
    std::vector<dialogs::Request> boxes;
    const auto oldHandler = dialogs::setHandler([&](QWidget*, const dialogs::Request& r) {
        boxes.push_back(r);
        return QMessageBox::Ok;
    });
    QStringList codeList;
    for (int k = 0; k < 63; ++k)
        codeList.append(QStringLiteral("%1  14  05").arg(2 * k, 2, 16, QChar('0')).toUpper());
    transfer.ButtonSendClick(codeList, true);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Fehler");
    EXPECT_EQ(boxes[0].text, "Programm zu lang!");
    EXPECT_EQ(bar.value(), 0);
    dialogs::setHandler(oldHandler);
}

} // namespace
} // namespace zentor
