// Helpers of the panel tests: a Shell and a transfer view that record what
// the "Direkt" page and the program transfer tell the window, German numbers,
// and listings compiled into code lists.
#pragma once

#include "compiler.h"
#include "program_transfer.h"
#include "shell.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace simpanel_test {

class RecordingShell : public Shell {
public:
    void setStatusText(const QString& text) override { m_status = text; }
    QString statusText() const override { return m_status; }
    void setApplicationTitle(const QString& title) override { m_title = title; }
    QString applicationTitle() const override { return m_title; }
    void setWindowCaption(const QString&) override {}
    int maxTimeout() const override { return timeout; }

    int timeout = 150;

private:
    QString m_status;
    QString m_title;
};

class RecordingView : public zentor::TransferView {
public:
    void setStatusText(const QString& text) override { status = text; }
    void setProgressMaximum(int) override {}
    void setProgressPosition(int) override {}
    void showError(const QString& text) override { errors.append(text); }
    void beep() override {}
    void repaintNow() override {}
    int maxTimeout() const override { return 150; }

    QString status;
    QStringList errors;
};

class GermanNumbers {
public:
    GermanNumbers() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    ~GermanNumbers() { QLocale::setDefault(m_previous); }
    GermanNumbers(const GermanNumbers&) = delete;
    GermanNumbers& operator=(const GermanNumbers&) = delete;

private:
    QLocale m_previous;
};

// The code list of a listing that must compile.
inline QStringList codeList(const QStringList& listing) {
    const zentor::CompileResult result = zentor::compileListing(listing);
    EXPECT_TRUE(result.ok) << result.errorMessage.toStdString();
    return result.codeLines;
}

} // namespace simpanel_test
