// Helpers for the "Programm" page tests: a Shell that records what the page
// tells the window, recorded message boxes, chosen file names, and a page
// shown off screen with a private configuration folder (for the autosave).
#pragma once

#include "dialogs.h"
#include "link_wait.h"
#include "program_editor_widgets.h"
#include "program_page.h"
#include "qstring_print.h"
#include "shell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

class RecordingShell : public Shell {
public:
    void setStatusText(const QString& text) override {
        status = text;
        ++statusWrites;
    }
    QString statusText() const override { return status; }
    void setStatusNote(const QString& text) override { note = text; }
    void setApplicationTitle(const QString& title) override { applicationTitle_ = title; }
    QString applicationTitle() const override { return applicationTitle_; }
    void setWindowCaption(const QString& text) override { caption = text; }
    int maxTimeout() const override { return 300; }
    bool recordingRunning() const override { return recording; }

    QString status;
    QString note;
    bool recording = false;
    int statusWrites = 0;
    QString caption = QStringLiteral("Zentor");
    QString applicationTitle_ = QStringLiteral("ZENTOR");
};

struct Confirmation {
    QString caption;
    QString text;
};

class PageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(configHome.isValid());
        qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
        previousBoxes = dialogs::setHandler([this](QWidget*, const dialogs::Request& r) {
            boxes.push_back(r);
            return QMessageBox::Ok;
        });
        previousConfirm = ProgramPage::setConfirmHandler(
            [this](QWidget*, const QString& caption, const QString& text) {
                confirmations.push_back({caption, text});
                return confirmAnswer;
            });
        previousFiles =
            ProgramPage::setFileDialogHandler([this](QWidget*, ProgramPage::FileDialogKind kind) {
                fileDialogs.push_back(kind);
                return chosenFile;
            });
        page = std::make_unique<ProgramPage>(shell);
        page->resize(769, 475);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }

    void TearDown() override {
        page.reset();
        dialogs::setHandler(previousBoxes);
        ProgramPage::setConfirmHandler(previousConfirm);
        ProgramPage::setFileDialogHandler(previousFiles);
    }

    QStringList lines() const { return page->listingLines(); }

    static QStringList itemsOf(const QListWidget* list) {
        QStringList items;
        for (int k = 0; k < list->count(); ++k)
            items << list->item(k)->text();
        return items;
    }
    static QStringList itemsOf(const QComboBox* box) {
        QStringList items;
        for (int k = 0; k < box->count(); ++k)
            items << box->itemText(k);
        return items;
    }
    static QString selectedText(const QListWidget* list) {
        const auto items = list->selectedItems();
        return items.isEmpty() ? QString() : items.front()->text();
    }

    static QPoint rowCentre(const QListWidget* list, int row) {
        return list->visualItemRect(list->item(row)).center();
    }
    // A point below the last line.
    static QPoint belowLastRow(const QListWidget* list) {
        return {10, list->viewport()->height() - 2};
    }

    // Presses on an entry (which selects it), as the start of a drag does.
    static void pressEntry(QListWidget* list, const QString& text) {
        const auto items = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << text.toStdString();
        const QPoint at = list->visualItemRect(items.front()).center();
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    }
    static void doubleClickEntry(QListWidget* list, const QString& text) {
        const auto items = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << text.toStdString();
        doubleClick(list->viewport(), list->visualItemRect(items.front()).center());
    }
    // A double-click as the window system delivers it: a click, then the
    // double-click event and its release.
    static void doubleClick(QWidget* widget, const QPoint& at) {
        QTest::mouseClick(widget, Qt::LeftButton, {}, at);
        QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
        QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
    }

    // Drags a palette entry over the listing to `at` and drops it there.
    void dropEntry(QListWidget* palette, const QString& text, const QPoint& at) {
        pressEntry(palette, text);
        if (page->ListBox1DragOver(palette, at))
            page->ListBox1DragDrop(palette, at);
    }

    QTemporaryDir configHome;
    RecordingShell shell;
    std::unique_ptr<ProgramPage> page;
    std::vector<dialogs::Request> boxes;
    std::vector<Confirmation> confirmations;
    bool confirmAnswer = true;
    std::vector<ProgramPage::FileDialogKind> fileDialogs;
    QString chosenFile;

private:
    dialogs::Handler previousBoxes;
    ProgramPage::ConfirmHandler previousConfirm;
    ProgramPage::FileDialogHandler previousFiles;
};
