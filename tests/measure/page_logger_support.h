// A main window stand-in for the logger page tests: it records every status
// text the page writes.
#pragma once

#include "shell.h"

#include <QStringList>

namespace zentor::test {

class LoggerPageShell : public Shell {
public:
    void setStatusText(const QString& text) override { texts << text; }
    QString statusText() const override { return texts.isEmpty() ? QString() : texts.back(); }
    void setApplicationTitle(const QString& title) override { m_title = title; }
    QString applicationTitle() const override { return m_title; }
    void setWindowCaption(const QString&) override {}
    int maxTimeout() const override { return 50; }

    QStringList texts; // every status text, oldest first

private:
    QString m_title;
};

} // namespace zentor::test
