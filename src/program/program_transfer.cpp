#include "program_transfer.h"

#include "board_commands.h"
#include "comphard.h"
#include "compiler.h"
#include "dialogs.h"
#include "link.h"
#include "precise_wait.h"
#include "shell.h"

#include <QObject>
#include <QProgressBar>

#include <algorithm>
#include <array>
#include <string>

namespace zentor {

namespace {

const QString kTextNotAnswering = QStringLiteral("Controler antwortet nicht!");
const QString kTextTooLong = QStringLiteral("Programm zu lang!");
const QString kTextNoProgram = QStringLiteral("Kein Programm zum Senden.");
const QString kTextCompileFailed = QStringLiteral("Programm fehlerhaft, nicht gesendet.");
const QString kTextUploading = QStringLiteral("Programm wird übertragen ...");
const QString kTextUploadFailed = QStringLiteral("Übertragungsfehler beim Senden!");
const QString kTextVerifying = QStringLiteral("Überprüfung...");
const QString kTextReadTimeout = QStringLiteral("LeseTimeout-Übertragungsfehler.");
const QString kTextTransferError = QStringLiteral("Übertragungsfehler!");
const QString kTextStarted = QStringLiteral("Programm gestartet");
const QString kTextStopped = QStringLiteral("Programm gestoppt");
const QString kTextInterrupted = QStringLiteral("Programm unterbrochen");
const QString kTextResumed = QStringLiteral("Programm fortgesetzt");
const QString kTextReading = QStringLiteral("Lese Daten ...");
const QString kTextReadDone = QStringLiteral("OK. Programm ausgelesen.");
const QString kTextEndlessSender =
    QStringLiteral("Controler sendet ununterbrochen, nichts ausgelesen.");

// Pauses of the upload and the cell repair (ms).
constexpr int kPauseBeforeEcho = 5;
constexpr int kPauseAfterEcho = 1;
constexpr int kPauseAfterStore = 20;

// The repair pass runs only for fewer mismatches than this; more mean a
// wholesale failure that rewriting single cells would not mend.
constexpr int kRepairLimit = 50;

// The read-back drops whatever the board still sends after the Stop. A board
// that is back in command mode falls silent at once; one that keeps sending
// for this long is not listening, and its bytes would spoil the dump.
constexpr std::int64_t kDrainLimitMicros = 3'000'000;

using Memory = std::array<int, board::kMemoryCells>;

bool writeFrame(std::initializer_list<int> bytes) {
    return comphard::WriteFrame(bytes);
}

bool cancelled() {
    return comphard::ExchangeCancelled();
}

void dropBytes(int count) {
    for (int i = 0; i < count; ++i)
        comphard::ReadByte();
}

// 27 122 k: the cell's value as the board reads it now (the second answer
// byte is dropped).
int readCell(int address) {
    writeFrame({board::kEsc, board::kReadCell, address});
    const int value = comphard::ReadByte();
    comphard::ReadByte();
    return value;
}

// Presence check after bringing the board into step; the failure text goes
// to the status bar unless the user gave the exchange up.
TransferOutcome boardAnswers(TransferView& view) {
    comphard::Resync();
    std::string text;
    comphard::Handshake(text);
    if (cancelled())
        return TransferOutcome::Cancelled;
    if (text == "Ok")
        return TransferOutcome::Started;
    view.setStatusText(QString::fromStdString(text));
    view.repaintNow();
    return TransferOutcome::NoAnswer;
}

// Rewrites the cells of the image that read back wrong. True when every
// rewritten cell holds its value afterwards. A cancel ends it between two
// cells.
bool repairCells(const QByteArray& image, const Memory& readBack) {
    bool allRight = true;
    for (int k = 0; k < image.size() && !cancelled(); ++k) {
        const int wanted = static_cast<unsigned char>(image[k]);
        // Cells meant to hold 0 are neither rewritten nor counted as
        // failures.
        if (wanted == readBack[static_cast<std::size_t>(k)] || wanted == 0)
            continue;
        // The dump may have been wrong rather than the cell: ask twice.
        if (readCell(k) == wanted || readCell(k) == wanted)
            continue;
        writeFrame({board::kEsc, board::kLoadA, wanted});
        dropBytes(2);
        writeFrame({board::kEsc, board::kStoreCell, k});
        comphard::WaitMilliseconds(kPauseAfterStore);
        dropBytes(2);
        if (readCell(k) != wanted)
            allRight = false;
    }
    return allRight;
}

} // namespace

// ---- WidgetTransferView ---------------------------------------------------

WidgetTransferView::WidgetTransferView(Shell& shell, QProgressBar* progressBar,
                                       QWidget* dialogParent)
    : m_shell(shell), m_progressBar(progressBar), m_dialogParent(dialogParent) {}

void WidgetTransferView::setStatusText(const QString& text) {
    // At each report the bar stands where the transfer is.
    if (m_progressBar && m_lags)
        m_progressBar->setValue(m_position);
    m_lags = false;
    m_shell.setStatusText(text);
}

void WidgetTransferView::setProgressMaximum(int maximum) {
    m_position = 0;
    m_lags = false;
    if (m_progressBar)
        m_progressBar->setMaximum(maximum);
}

void WidgetTransferView::setProgressPosition(int position) {
    m_position = position;
    if (!m_progressBar)
        return;
    // The bar moves in steps of 5 %: each step is an event that a screen
    // reader has to take, and one per byte drowned "Programm gestartet".
    constexpr int kSteps = 20;
    const int maximum = std::max(1, m_progressBar->maximum());
    const int value = m_progressBar->value();
    m_lags = position > 0 && position < maximum && value >= 0 &&
             position * kSteps / maximum == value * kSteps / maximum;
    if (!m_lags)
        m_progressBar->setValue(position);
}

void WidgetTransferView::showError(const QString& text) {
    dialogs::error(m_dialogParent, text);
}

void WidgetTransferView::beep() {
    dialogs::beep();
}

void WidgetTransferView::repaintNow() {}

int WidgetTransferView::maxTimeout() const {
    return m_shell.maxTimeout();
}

// ---- ReportingTransferView ------------------------------------------------

void ReportingTransferView::beginExchange(int maxTimeout) {
    m_maxTimeout = maxTimeout;
}

void ReportingTransferView::setStatusText(const QString& text) {
    ExchangeReport report;
    report.statusText = text;
    Link::report(report);
}

void ReportingTransferView::setProgressMaximum(int maximum) {
    ExchangeReport report;
    report.maximum = maximum;
    Link::report(report);
}

void ReportingTransferView::setProgressPosition(int position) {
    ExchangeReport report;
    report.position = position;
    Link::report(report);
}

void ReportingTransferView::showError(const QString& text) {
    ExchangeReport report;
    report.errorText = text;
    Link::report(report);
}

void ReportingTransferView::beep() {
    ExchangeReport report;
    report.beep = true;
    Link::report(report);
}

void showReport(const ExchangeReport& report, TransferView& view) {
    if (report.maximum >= 0)
        view.setProgressMaximum(report.maximum);
    if (report.position >= 0)
        view.setProgressPosition(report.position);
    if (!report.statusText.isNull())
        view.setStatusText(report.statusText);
    if (!report.errorText.isNull())
        view.showError(report.errorText);
    if (report.beep)
        view.beep();
}

// ---- ProgramTransfer ------------------------------------------------------

ProgramTransfer::ProgramTransfer(TransferView& view) : m_view(view) {}

bool ProgramTransfer::sendable(const QStringList& codeList, bool lastCompileOk,
                               TransferView& view) {
    view.setProgressPosition(0);
    // A compilation that stopped early left jump operands holding label
    // numbers and the rest of the program missing: such bytes must not run.
    if (!lastCompileOk) {
        view.setStatusText(kTextCompileFailed);
        view.beep();
        return false;
    }
    const qsizetype n = codeListBytes(codeList).size();
    if (n > board::kProgramCells) {
        view.showError(kTextTooLong);
        return false;
    }
    if (n == 0) {
        view.setStatusText(kTextNoProgram);
        return false;
    }
    return true;
}

TransferOutcome ProgramTransfer::ButtonSendClick(const QStringList& codeList) {
    return ButtonSendClick(codeList, m_lastCompileOk);
}

TransferOutcome ProgramTransfer::ButtonSendClick(const QStringList& codeList, bool lastCompileOk) {
    if (!sendable(codeList, lastCompileOk, m_view))
        return TransferOutcome::Refused;
    const QByteArray image = codeListBytes(codeList);
    const int n = static_cast<int>(image.size());

    comphard::PurgeInput();
    if (const TransferOutcome answer = boardAnswers(m_view); answer != TransferOutcome::Started)
        return answer;

    // Upload: each data byte is answered by one byte, which only paces the
    // transfer; its value is not compared. While the board loads, it takes
    // every byte as program, ESC too: the frame is sent whole, with the
    // pair that closes it, and a cancel takes effect after it. The board
    // then holds the whole program, which is neither checked nor started.
    {
        const comphard::WholeFrame frame;
        if (!frame.begun())
            return TransferOutcome::Cancelled;
        m_view.setStatusText(kTextUploading);
        m_view.setProgressMaximum(n - 1);
        m_view.repaintNow();
        writeFrame({board::kEsc, board::kLoadProgram, n});
        for (int k = 0; k < n; ++k) {
            comphard::WriteByte(static_cast<unsigned char>(image[k]));
            // The repaint runs inside the pause before the answer, which
            // still lasts its full length from here on.
            const std::int64_t pauseStart = comphard::monotonicMicroseconds();
            m_view.setProgressPosition(k);
            m_view.repaintNow();
            const auto spent = comphard::monotonicMicroseconds() - pauseStart;
            comphard::WaitMicroseconds(kPauseBeforeEcho * 1000 - static_cast<int>(spent));
            const bool answered = comphard::AwaitInput();
            const int echo = answered ? comphard::ReadByte() : -1;
            if (answered)
                comphard::WaitMilliseconds(kPauseAfterEcho);
            // Inside the frame only the end of the program interrupts.
            if (echo < 0 && comphard::interruptRequested())
                return TransferOutcome::Cancelled;
            if (echo < 0) {
                m_view.setStatusText(kTextUploadFailed);
                return TransferOutcome::UploadFailed;
            }
        }
        dropBytes(board::kTrailingBytes);
    }
    if (cancelled())
        return TransferOutcome::CancelledAfterUpload;

    // Verification: the whole memory comes back; only the program's cells
    // are compared.
    if (!writeFrame({board::kEsc, board::kReadMemory}))
        return TransferOutcome::CancelledAfterUpload;
    m_view.setStatusText(kTextVerifying);
    m_view.setProgressMaximum(board::kMemoryCells);
    m_view.repaintNow();
    Memory readBack{};
    int mismatches = 0;
    for (int k = 0; k < board::kMemoryCells; ++k) {
        if (!comphard::AwaitInput()) {
            if (cancelled())
                return TransferOutcome::CancelledAfterUpload;
            m_view.setStatusText(kTextReadTimeout);
            return TransferOutcome::VerifyFailed;
        }
        const int value = comphard::ReadByte();
        readBack[static_cast<std::size_t>(k)] = value;
        if (k < n && value != static_cast<unsigned char>(image[k]))
            ++mismatches;
        m_view.setProgressPosition(k);
        m_view.repaintNow();
    }
    // The pair after the dump is read before any cell is asked for again, so
    // that each cell read gets its own answer.
    dropBytes(board::kTrailingBytes);

    bool transferError = false;
    if (mismatches >= 1 && mismatches < kRepairLimit)
        transferError = !repairCells(image, readBack);

    // Start, also after a failed repair: the user sees the error and can
    // send again. Once the start frame is out the program runs, whatever
    // comes after.
    comphard::PurgeInput();
    if (cancelled() || !writeFrame({board::kEsc, board::kRunProgram, 0}))
        return TransferOutcome::CancelledAfterUpload;
    comphard::NoteProgramStarted();
    m_view.setStatusText(transferError ? kTextTransferError : kTextStarted);
    m_view.setProgressPosition(0);
    m_view.repaintNow();
    m_stopped = false;
    return TransferOutcome::Started;
}

TransferOutcome ProgramTransfer::ButtonRUNClick() {
    comphard::SetTimeout(m_view.maxTimeout());
    if (const TransferOutcome answer = boardAnswers(m_view); answer != TransferOutcome::Started)
        return answer;
    if (!writeFrame({board::kEsc, board::kRunProgram, 0}))
        return TransferOutcome::Cancelled;
    comphard::NoteProgramStarted();
    m_view.setStatusText(kTextStarted);
    m_view.repaintNow();
    m_stopped = false;
    return TransferOutcome::Started;
}

bool ProgramTransfer::B1() {
    comphard::Resync();
    m_stopped = true;
    // A resync given up (or never begun) may have left a program running:
    // no claim that it stopped.
    if (comphard::ExchangeCancelled())
        return false;
    m_view.setStatusText(kTextStopped);
    m_view.repaintNow();
    return true;
}

void ProgramTransfer::Button15Click() {
    comphard::SendBreak();
    if (!m_stopped)
        m_view.setStatusText(kTextInterrupted);
}

void ProgramTransfer::Button16Click() {
    comphard::SendContinue();
    if (!m_stopped)
        m_view.setStatusText(kTextResumed);
}

std::optional<ReadBackResult> ProgramTransfer::ButtonDissClick() {
    B1();

    // Drop what the board still sends; a read that times out ends it.
    const std::int64_t drainStart = comphard::monotonicMicroseconds();
    while (comphard::ReadByte() >= 0) {
        if (comphard::monotonicMicroseconds() - drainStart > kDrainLimitMicros) {
            m_view.setStatusText(kTextEndlessSender);
            return std::nullopt;
        }
    }

    if (cancelled())
        return std::nullopt;

    m_view.setStatusText(kTextReading);
    m_view.repaintNow();
    QByteArray memory(board::kMemoryCells, '\0');
    comphard::Resync();
    comphard::PurgeInput();
    writeFrame({board::kEsc, board::kReadMemory});
    m_view.setProgressMaximum(board::kMemoryCells);
    for (int k = 0; k < board::kMemoryCells; ++k) {
        if (!comphard::AwaitInput()) {
            if (!cancelled())
                m_view.setStatusText(kTextReadTimeout);
            return std::nullopt;
        }
        const int value = comphard::ReadByte();
        if (value < 0) {
            m_view.setStatusText(kTextTransferError);
            return std::nullopt;
        }
        memory[k] = static_cast<char>(value);
        m_view.setProgressPosition(k);
        m_view.repaintNow();
    }
    m_view.setProgressPosition(0);
    dropBytes(board::kTrailingBytes);
    m_view.setStatusText(kTextReadDone);
    m_view.repaintNow();

    ReadBackResult result;
    result.memory = memory;
    result.disassembly = disassemble(memory);
    return result;
}

} // namespace zentor
