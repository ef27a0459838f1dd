#include "program_page.h"

#include "shell.h"

#include <QListWidget>

ProgramPage::ProgramPage(Shell& shell, QWidget* parent)
    : QWidget(parent), ListBox1(new QListWidget(this)), m_shell(shell) {
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
}

void ProgramPage::setStartupFile(const QString& path) {
    m_startupFile = path;
    m_startupFilePending = true;
}

void ProgramPage::SaveLast() {}

void ProgramPage::LoadLast() {}

void ProgramPage::Beenden2Click() {}

void ProgramPage::ffnen1Click() { m_startupFilePending = false; }

void ProgramPage::Speichern1Click() {}
