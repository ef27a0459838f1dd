// The group "Ausgabe der Platine" on the "Programm" page: the bytes a running
// program prints, a copy button, and the field "Senden" for "Input A". It
// only shows and asks; the page runs the exchanges.
#pragma once

#include "program_monitor.h"

#include <QGroupBox>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class MonitorBox : public QGroupBox {
    Q_OBJECT

public:
    explicit MonitorBox(QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }
    QLineEdit* byteField() const { return m_field; }
    QPushButton* sendButton() const { return m_send; }
    QPushButton* copyButton() const { return m_copy; }
    // The line under the field that says why a byte was refused.
    QLabel* hint() const { return m_hint; }

    const zentor::MonitorLog& log() const { return m_log; }
    // A new program: the list empties.
    void clearLog();
    void append(const zentor::PrintedByte& byte);
    // "Senden" works only while a program runs.
    void setSendingEnabled(bool enabled);

signals:
    // A byte the user sends, already checked (0..255, not 27).
    void sendRequested(int value);

private:
    void sendClicked();
    void copyClicked();
    void nameList();

    zentor::MonitorLog m_log;
    QListWidget* m_list;
    QLineEdit* m_field;
    QPushButton* m_send;
    QPushButton* m_copy;
    QLabel* m_hint;
};
