// Helpers of the "Direkt" page tests: a Shell that records what the page
// tells the window (and stands in for its reconnect), and a scripted board
// that answers the page's frames.
#pragma once

#include "board_commands.h"
#include "connection.h"
#include "direct_page.h"
#include "link_wait.h"
#include "pty_peer.h"
#include "shell.h"

#include <QAbstractButton>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace direct_test {

using Bytes = std::vector<std::uint8_t>;

class RecordingShell : public Shell {
public:
    // The reconnect of the connection service runs `connect` on the link
    // thread while the shell lives.
    RecordingShell() {
        zentor::Connection::instance().setConnector([this](const zentor::ConnectJob&) {
            ++connects;
            statusAtConnect = m_status;
            return connect ? connect() : false;
        });
    }
    ~RecordingShell() override { zentor::Connection::instance().setConnector({}); }
    RecordingShell(const RecordingShell&) = delete;
    RecordingShell& operator=(const RecordingShell&) = delete;

    void setStatusText(const QString& text) override {
        m_status = text;
        statuses << text;
        if (onStatus)
            onStatus(text);
    }
    QString statusText() const override { return m_status; }
    void setApplicationTitle(const QString& title) override {
        m_title = title;
        titles << title;
    }
    QString applicationTitle() const override { return m_title; }
    void setWindowCaption(const QString& caption) override { captions << caption; }
    int maxTimeout() const override { return timeout; }

    QStringList statuses;
    QStringList titles;
    QStringList captions;
    int timeout = 80;
    // Counted and kept on the link thread; read them once the link is idle.
    int connects = 0;
    QString statusAtConnect;
    // What the reconnect does; without it, it fails and leaves the port as
    // it is.
    std::function<bool()> connect;
    // Runs after every status text.
    std::function<void(const QString&)> onStatus;

private:
    QString m_status;
    QString m_title;
};

// One tick of Timer1, until its result is shown.
inline void tickAndWait(DirectPage& page) {
    page.Timer1Timer();
    testing_support::waitForLink();
}

// A click on a control, until its exchange (and what follows) is done.
inline void clickAndWait(QAbstractButton* control) {
    control->click();
    testing_support::waitForLink();
}

// Numbers in user texts follow QLocale(); the tests read them in German
// whatever the environment says.
class GermanNumbers {
public:
    GermanNumbers() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    ~GermanNumbers() { QLocale::setDefault(m_previous); }
    GermanNumbers(const GermanNumbers&) = delete;
    GermanNumbers& operator=(const GermanNumbers&) = delete;

private:
    QLocale m_previous;
};

// Answer pair of a reading; nullopt: the board stays silent for that read;
// a negative second byte: only the first byte comes.
using Reading = std::optional<std::pair<int, int>>;

// A board in command mode behind a PtyPeer: the resync frame, the simple
// commands and the operand commands are answered like the board does; the
// three input reads take their answers from queues (an empty queue is a
// silent read).
class ScriptedBoard {
public:
    void queue(int command, std::vector<Reading> answers) {
        std::lock_guard lock(m_mutex);
        for (Reading& r : answers)
            m_readings[command].push_back(r);
    }
    // One cycle's answers for analog, port and digital input.
    void queueCycle(Reading analog, Reading port, Reading din) {
        queue(board::kAnalogIn, {analog});
        queue(board::kPortIn, {port});
        queue(board::kDigitalIn, {din});
    }
    void setOperandCommandsSilent(bool silent) {
        std::lock_guard lock(m_mutex);
        m_operandSilent = silent;
    }

    testing_support::PtyPeer::Script script() {
        return [this](const std::vector<testing_support::ReceivedByte>& in) {
            std::lock_guard lock(m_mutex);
            return onByte(in.back().value);
        };
    }

private:
    static Bytes pair(int first) {
        return {static_cast<std::uint8_t>(first),
                static_cast<std::uint8_t>(board::complementOf(first))};
    }

    Bytes onByte(int value) {
        if (m_operandPending) {
            m_operandPending = false;
            return m_operandSilent ? Bytes{} : pair(value);
        }
        if (!m_inFrame) {
            m_inFrame = value == board::kEsc;
            return {};
        }
        m_inFrame = false;
        switch (value) {
        case board::kCopyAToC:
            return pair(board::kEsc);
        case board::kPresence:
            return pair(board::kPresenceAnswer);
        case board::kPortDirection:
        case board::kPortOut:
        case board::kPwm:
            m_operandPending = true;
            return {};
        case board::kAnalogIn:
        case board::kPortIn:
        case board::kDigitalIn: {
            auto& answers = m_readings[value];
            if (answers.empty())
                return {};
            const Reading r = answers.front();
            answers.pop_front();
            if (!r)
                return {};
            Bytes bytes{static_cast<std::uint8_t>(r->first)};
            if (r->second >= 0)
                bytes.push_back(static_cast<std::uint8_t>(r->second));
            return bytes;
        }
        default:
            return pair(value);
        }
    }

    std::mutex m_mutex;
    std::map<int, std::deque<Reading>> m_readings;
    bool m_inFrame = false;
    bool m_operandPending = false;
    bool m_operandSilent = false;
};

} // namespace direct_test
