// The "Programm" page: listing editor, compiler, transfer and program files.
#pragma once

#include <QString>
#include <QWidget>

class QListWidget;
class Shell;

class ProgramPage : public QWidget {
    Q_OBJECT

public:
    explicit ProgramPage(Shell& shell, QWidget* parent = nullptr);

    QListWidget* ListBox1; // the listing

    // Set when the program was started with a file argument: the next
    // ffnen1Click opens that file instead of asking.
    void setStartupFile(const QString& path);
    bool StartupFilePending() const { return m_startupFilePending; }

    // The listing saved at exit and restored at start.
    void SaveLast();
    void LoadLast();

public slots:
    void Beenden2Click();   // "&Neu"
    void ffnen1Click();     // "&Öffnen ..."
    void Speichern1Click(); // "&Speichern ..."

private:
    Shell& m_shell;
    QString m_startupFile;
    bool m_startupFilePending = false;
};
