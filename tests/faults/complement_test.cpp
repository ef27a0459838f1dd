// "Direkt" polling a board that garbles a tenth of its complement bytes: what
// the page shows is always a reading the board sent with its right
// complement, and a garbled pair never takes the page offline.
#include "amadvled.h"
#include "amm.h"
#include "board_commands.h"
#include "conversion.h"
#include "direct_page.h"
#include "fault_window.h"

#include <QTabWidget>
#include <QTimer>

#include <array>

namespace faults {
namespace {

// A minute of polling at 200 ms, without the pauses between the ticks.
constexpr int kCycles = 300;
constexpr int kAnswersPerCycle = 6; // three answer pairs

// The board answers every read here; a long time-out keeps an answer that
// a busy machine held up from being taken for silence, which would leave
// its bytes to the next read and the page a pair out of step.
constexpr int kTimeoutMs = 2000;

class GarbledComplements : public FaultWindow {
protected:
    GarbledComplements() { readTimeoutMs = kTimeoutMs; }
};

TEST_F(GarbledComplements, DirektShowsOnlyWholeReadingsAndStaysOnline) {
    zentor::sim::BoardOptions options;
    options.pacing = false; // the point is the values, not the line's speed
    options.faults.wrongComplementRate = 0.10;
    options.faults.seed = 20240611;
    startBoard(options);
    RecordingWindow& w = openWindow();
    DirectPage& direct = *w.TabSheet2;
    w.PageControl1->setCurrentWidget(&direct);
    w.Timer1->stop(); // the ticks are driven by hand

    // The first tick resynchronises; the resync answers (this one's and the
    // connection's) are not readings.
    direct.Timer1Timer();
    testing_support::waitForLink();
    ASSERT_EQ(w.Timer1->interval(), DirectPage::kPollingInterval);
    constexpr std::size_t kResyncAnswers = 2 + 2;
    ASSERT_TRUE(awaitBoardBytes(kResyncAnswers + kAnswersPerCycle));
    const std::vector<int> start = fromBoard();
    ASSERT_EQ(start.size(), kResyncAnswers + kAnswersPerCycle);
    std::size_t seen = start.size();
    // What the page must show: the last pair of each input whose bytes add
    // up to 255 (0 before the first).
    std::array<int, 3> shown{0, 0, 0};
    int garbled = 0;
    int garbledThatDiffered = 0; // garbled analog pairs whose value was new
    const auto take = [&](const std::vector<int>& answers) {
        for (int i = 0; i < 3; ++i) {
            const int value = answers[static_cast<std::size_t>(2 * i)];
            const int complement = answers[static_cast<std::size_t>(2 * i + 1)];
            if (board::isAnswerPair(value, complement)) {
                shown[static_cast<std::size_t>(i)] = value;
            } else {
                ++garbled;
                if (i == 0 && value != shown[0])
                    ++garbledThatDiffered;
            }
        }
    };
    take(std::vector<int>(start.begin() + kResyncAnswers, start.end()));

    const std::array<TAMAdvLed*, 6> portLeds{direct.AMAdvLed01, direct.AMAdvLed02,
                                             direct.AMAdvLed04, direct.AMAdvLed08,
                                             direct.AMAdvLed16, direct.AMAdvLed32};
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        const std::size_t pcBefore = fromPc().size();
        const qint64 took = timed([&] { direct.Timer1Timer(); });
        ASSERT_LE(took, hangLimitMs(6 * kWritePauseMs + 6 * silentReadMs(kTimeoutMs)))
            << "cycle " << cycle;
        ASSERT_TRUE(awaitBoardBytes(seen + kAnswersPerCycle)) << "cycle " << cycle;
        const std::vector<int> pc = fromPc();
        ASSERT_EQ(std::vector<int>(pc.begin() + static_cast<long>(pcBefore), pc.end()),
                  (std::vector<int>{board::kEsc, board::kAnalogIn, board::kEsc, board::kPortIn,
                                    board::kEsc, board::kDigitalIn}))
            << "cycle " << cycle;
        const std::vector<int> all = fromBoard();
        ASSERT_EQ(all.size(), seen + kAnswersPerCycle) << "cycle " << cycle;
        take(std::vector<int>(all.begin() + static_cast<long>(seen), all.end()));
        seen += kAnswersPerCycle;

        // Never offline: every analog read got its bytes.
        ASSERT_EQ(w.Timer1->interval(), DirectPage::kPollingInterval) << "cycle " << cycle;
        ASSERT_NE(w.statusText(), QStringLiteral("Offline")) << "cycle " << cycle;
        // The meter, the texts and the LEDs show the last whole readings.
        ASSERT_EQ(direct.LastAnalog(), shown[0]) << "cycle " << cycle;
        ASSERT_EQ(direct.Anal1->Value(), shown[0]) << "cycle " << cycle;
        const QString voltage = zentor::ConvertReading(zentor::kChannelVoltage, shown[0]).text;
        ASSERT_EQ(w.statusText(), voltage) << "cycle " << cycle;
        ASSERT_EQ(w.applicationTitle(), QStringLiteral("Zentor ") + voltage);
        ASSERT_EQ(direct.LastPortIn(), shown[1]) << "cycle " << cycle;
        for (int bit = 0; bit < 6; ++bit)
            ASSERT_EQ(portLeds[static_cast<std::size_t>(bit)]->LedOn(),
                      ((shown[1] >> bit) & 1) != 0)
                << "cycle " << cycle << " bit " << bit;
        ASSERT_EQ(direct.LastDin(), shown[2]) << "cycle " << cycle;
        ASSERT_EQ(direct.AMAdvLed1->LedOn(), (shown[2] & 1) != 0) << "cycle " << cycle;
    }

    // The fault did strike, about once in ten pairs, and often enough on a
    // new analog value for the page to have had something to get wrong.
    EXPECT_GE(garbled, 3 * (kCycles + 1) / 20);
    EXPECT_LE(garbled, 3 * (kCycles + 1) * 2 / 10);
    EXPECT_GE(garbledThatDiffered, 10);
    expectListingAndFilesUnchanged();
}

} // namespace
} // namespace faults
