// Send && Start of a full-size program against the simulated board with its
// 1200-baud pacing, measured against the least time the exchange can take:
// the protocol's pauses and the board's answer times along the critical path.
// The transfer runs on the link thread with the queued view, as on the page.
#include "bench_report.h"
#include "board_commands.h"
#include "comphard.h"
#include "compiler.h"
#include "link.h"
#include "precise_wait.h"
#include "program_transfer.h"
#include "simulated_board.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <mutex>
#include <vector>

namespace bench {

namespace {

// The page's view without widgets: the transfer's own cost only.
class QuietView : public zentor::TransferView {
public:
    void setStatusText(const QString& text) override { status = text; }
    void setProgressMaximum(int) override {}
    void setProgressPosition(int) override {}
    void showError(const QString&) override {}
    void beep() override {}
    void repaintNow() override {}
    int maxTimeout() const override { return 300; }
    QString status;
};

// The exchange on an ideal clock: the PC spends exactly the protocol's
// pauses and waits only for answers that are not there yet. Each answer byte
// comes as long after the PC byte that asked for it as it did in the
// measured run (the board's answer time, line pacing included). Times in µs.
class IdealLine {
public:
    // The line times of the measured run: bytes from the PC and from the
    // board, in order.
    IdealLine(std::vector<std::int64_t> fromPc, std::vector<std::int64_t> fromBoard)
        : m_fromPc(std::move(fromPc)), m_fromBoard(std::move(fromBoard)) {}

    // A byte from the PC; `answers` bytes are its reply.
    void write(int answers = 0) {
        const std::int64_t sent = m_fromPc.at(m_pcIndex++);
        for (int i = 0; i < answers; ++i)
            m_pending.push_back(m_pc + m_fromBoard.at(m_boardIndex++) - sent);
        m_pc += 10'000;
    }
    void wait(int ms) { m_pc += ms * 1000; }
    void awaitInput() { m_pc = std::max(m_pc, m_pending.front()); }
    void read() {
        awaitInput();
        m_pending.pop_front();
    }
    void purge() {
        while (!m_pending.empty() && m_pending.front() <= m_pc)
            m_pending.pop_front();
    }
    std::int64_t now() const { return m_pc; }
    // True when the model used every byte of the measured run.
    bool usedAll() const {
        return m_pcIndex == m_fromPc.size() && m_boardIndex == m_fromBoard.size();
    }

private:
    std::vector<std::int64_t> m_fromPc, m_fromBoard;
    std::size_t m_pcIndex = 0, m_boardIndex = 0;
    std::int64_t m_pc = 0;
    std::deque<std::int64_t> m_pending;
};

// Least time of Send && Start of n bytes with a board in command mode that
// answers everything right (no cell to repair); -1 when the measured run
// does not have the bytes of that exchange.
double leastSendMilliseconds(int n, IdealLine line) {
    // Resync: one round, answered by 27 and its complement.
    line.write();
    line.wait(20);
    line.write(2);
    line.wait(20);
    line.read();
    line.read();
    line.purge();
    // Presence check.
    line.write();
    line.write(2);
    line.wait(10);
    line.read();
    line.read();
    // Upload: an answer byte per data byte, the closing pair after the last.
    line.write();
    line.write();
    line.write();
    for (int k = 0; k < n; ++k) {
        line.write(k == n - 1 ? 3 : 1);
        line.wait(5);
        line.read();
        line.wait(1);
    }
    line.read();
    line.read();
    // Verification: 128 cells and the closing pair.
    line.write();
    line.write(board::kMemoryCells + board::kTrailingBytes);
    for (int k = 0; k < board::kMemoryCells + board::kTrailingBytes; ++k)
        line.read();
    // Start.
    line.write();
    line.write();
    line.write();
    return line.usedAll() ? static_cast<double>(line.now()) / 1000.0 : -1;
}

constexpr int kProgramBytes = 124;
constexpr int kRuns = 5;

} // namespace

void runTransferBenchmark() {
    std::printf("Send && Start of %d bytes against the paced simulator, %d runs\n", kProgramBytes,
                kRuns);
    std::mutex traceMutex;
    std::vector<std::int64_t> fromPc, fromBoard;
    zentor::sim::RunnerOptions options;
    options.trace = [&](const zentor::sim::TraceEvent& e) {
        std::lock_guard lock(traceMutex);
        (e.fromPc ? fromPc : fromBoard).push_back(e.at);
    };
    zentor::sim::SimulatedBoard board(options);
    zentor::Link& link = zentor::Link::instance();
    bool opened = board.start();
    if (opened) {
        link.runAndWait([&] {
            opened = comphard::OpenDevice(board.devicePath(), "1200,N,8,1");
            comphard::SetTimeout(300);
        });
    }
    if (!opened) {
        fail("Send && Start", "no simulated board: " + board.lastError());
        return;
    }

    // 62 loads of register A: 124 bytes.
    QStringList codeList;
    for (int k = 0; k < kProgramBytes / 2; ++k)
        codeList.append(zentor::codeLine(2 * k, 20, (k * 37 + 5) % 256));

    // The transfer runs on the link thread and tells the view there; the
    // blocking calls below hand the view back before it is read.
    QuietView view;
    zentor::ProgramTransfer transfer(view);
    std::vector<double> times, ratios;
    for (int run = 0; run < kRuns; ++run) {
        link.runAndWait([&] {
            transfer.B1(); // the board back in command mode, as after a run
            comphard::WaitMilliseconds(50);
        });
        {
            std::lock_guard lock(traceMutex);
            fromPc.clear();
            fromBoard.clear();
        }
        double took = 0;
        link.runAndWait([&] {
            const std::int64_t start = comphard::monotonicMicroseconds();
            transfer.ButtonSendClick(codeList, true);
            took = static_cast<double>(comphard::monotonicMicroseconds() - start) / 1000.0;
        });
        if (view.status != QStringLiteral("Programm gestartet")) {
            fail("Send && Start", "run " + std::to_string(run) + " ended with \"" +
                                      view.status.toStdString() + "\"");
            continue;
        }
        double least = 0;
        {
            std::lock_guard lock(traceMutex);
            least = leastSendMilliseconds(kProgramBytes, IdealLine(fromPc, fromBoard));
        }
        if (least <= 0) {
            fail("Send && Start",
                 "run " + std::to_string(run) + ": the line did not carry the expected bytes");
            continue;
        }
        std::printf("  run %d: %.1f ms; pauses and answers %.1f ms\n", run, took, least);
        times.push_back(took);
        ratios.push_back(took / least);
    }
    link.runAndWait([] { comphard::ClosePort(); });
    board.stop();
    if (ratios.empty())
        return;

    const Stats t = statsOf(times);
    const Stats r = statsOf(ratios);
    std::printf("  measured min %.1f  median %.1f  max %.1f ms; time / (pauses + answers) min %.4f "
                "median %.4f max %.4f\n",
                t.min, t.median, t.max, r.min, r.median, r.max);
    report("  Send && Start: median time / protocol minimum", r.median, 1.02, "");
}

} // namespace bench
