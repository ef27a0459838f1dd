// Shared pieces of the transfer tests: a view that records what the transfer
// shows, and listing helpers.
#pragma once

#include "compiler.h"
#include "program_transfer.h"
#include "qstring_print.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <vector>

namespace zentor::transfer_test {

class RecordingView : public TransferView {
public:
    void setStatusText(const QString& text) override { statusTexts.append(text); }
    void setProgressMaximum(int maximum) override { maxima.push_back(maximum); }
    void setProgressPosition(int position) override { positions.push_back(position); }
    void showError(const QString& text) override { errors.append(text); }
    void beep() override { ++beeps; }
    void repaintNow() override { ++repaints; }
    int maxTimeout() const override { return timeout; }

    // The text the status bar shows now; empty when none was set.
    QString status() const { return statusTexts.isEmpty() ? QString() : statusTexts.last(); }
    int position() const { return positions.empty() ? -1 : positions.back(); }

    QStringList statusTexts;
    std::vector<int> maxima;
    std::vector<int> positions;
    QStringList errors;
    int beeps = 0;
    int repaints = 0;
    int timeout = 100;
};

inline QStringList lines(std::initializer_list<const char*> texts) {
    QStringList result;
    for (const char* t : texts)
        result.append(QString::fromUtf8(t));
    return result;
}

// Compiles a listing that must compile.
inline CompileResult compiled(const QStringList& listing) {
    CompileResult result = compileListing(listing);
    EXPECT_TRUE(result.ok) << result.errorMessage.toStdString();
    return result;
}

// A listing of n bytes: a label, (n - 2) / 2 loads of A with assorted values
// (0 and 88, the code of "End", among them) and a jump back to the label.
// n must be even.
inline QStringList listingOfSize(int n) {
    QStringList listing{QStringLiteral("L1: Anfang")};
    for (int k = 0; k < (n - 2) / 2; ++k)
        listing.append(QStringLiteral("\tA = %1").arg(k == 1 ? 0 : (k * 37 + 88) % 256));
    listing.append(QStringLiteral("\tGoto L1: "));
    return listing;
}

} // namespace zentor::transfer_test
