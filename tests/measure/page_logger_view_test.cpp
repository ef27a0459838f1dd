// The "Extern Messen" page without a simulated board: its controls, the
// summary line and chart axes, the drawing of the values, the copied lines,
// and a scripted board whose dump breaks off.
#include "board_commands.h"
#include "comphard.h"
#include "diagram.h"
#include "dialogs.h"
#include "link_wait.h"
#include "locale_scope.h"
#include "logger_page.h"
#include "page_logger_support.h"
#include "pty_peer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

using namespace zentor;
using testing_support::PtyPeer;
using testing_support::ReceivedByte;
using zentor::test::LoggerPageShell;
using Bytes = std::vector<std::uint8_t>;

namespace {

const QColor kTraceColor(255, 255, 0); // ColorLine of Diagram1

class LoggerPageView : public ::testing::Test {
protected:
    LoggerPageView() { page.resize(769, 475); }

    QImage renderChart() {
        page.show();
        QImage image(page.Diagram1->size(), QImage::Format_ARGB32);
        page.Diagram1->render(&image);
        return image;
    }

    // True when a trace pixel lies within two pixels of the chart point.
    bool traceNear(const QImage& image, double x, double y) {
        const QPoint p(page.Diagram1->ToPixelX(x), page.Diagram1->ToPixelY(y));
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (image.rect().contains(p + QPoint(dx, dy)) &&
                    image.pixelColor(p + QPoint(dx, dy)) == kTraceColor)
                    return true;
        return false;
    }

    test::LocaleScope locale{test::german()};
    LoggerPageShell shell;
    QTimer timer2;
    QTimer recorderTimer;
    LoggerPage page{shell, timer2, recorderTimer};
};

TEST_F(LoggerPageView, ControlsAsTheWindowShowsThemFirst) {
    ASSERT_EQ(page.ComboBox16->count(), 20);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(page.ComboBox16->itemText(i), kLoggerDurations[i].itemText.toString());
    EXPECT_EQ(page.ComboBox16->itemText(5), QStringLiteral("  2 Minuten"));
    EXPECT_EQ(page.ComboBox16->currentIndex(), 0);
    ASSERT_EQ(page.ComboBox17->count(), 2);
    EXPECT_EQ(page.ComboBox17->itemText(0), QStringLiteral("Analog"));
    EXPECT_EQ(page.ComboBox17->itemText(1), QStringLiteral("Digital"));
    EXPECT_EQ(page.ComboBox17->currentIndex(), 0);

    EXPECT_EQ(page.Button12->text(), QStringLiteral("&Start"));
    EXPECT_TRUE(page.Button12->isDefault());
    EXPECT_EQ(page.Button12->toolTip(), QStringLiteral("Startet eine externe Messung"));
    EXPECT_EQ(page.Button11->text(), QStringLiteral("&Auslesen"));
    EXPECT_EQ(page.Button11->toolTip(), QStringLiteral("Messdaten übertragen"));
    EXPECT_EQ(page.CheckBox1->text(), QStringLiteral("A&utomatisch auslesen"));
    EXPECT_TRUE(page.CheckBox1->isChecked());
    EXPECT_EQ(page.CheckBox1->toolTip(),
              QStringLiteral("Daten werden nach der Messung sofort ausgelesen"));
    EXPECT_EQ(page.Label13->text(), QStringLiteral("Messdauer:"));
    EXPECT_EQ(page.Label15->text(), QStringLiteral("Eingang:"));
    EXPECT_TRUE(page.Label14->text().isEmpty()); // until the window runs ComboBox16Change
    EXPECT_EQ(page.ProgressBar1->maximum(), 120);

    const TDiagram& chart = *page.Diagram1;
    EXPECT_EQ(chart.Color(), QColor(100, 154, 221));
    EXPECT_EQ(chart.ColorGrid(), QColor(192, 192, 192));
    EXPECT_EQ(chart.ColorText(), QColor(255, 255, 255));
    EXPECT_EQ(chart.ColorPoint(), QColor(128, 128, 0));
    EXPECT_EQ(chart.ColorLine(), kTraceColor);
    EXPECT_FALSE(chart.Sample());
    EXPECT_EQ(chart.CaptionX(), QStringLiteral("Sekunden"));
    EXPECT_EQ(chart.CaptionY(), QStringLiteral("Volt"));
    EXPECT_EQ(chart.Caption(), QStringLiteral(" "));
    EXPECT_EQ(chart.DiaMode(), mdNormal);
    EXPECT_DOUBLE_EQ(chart.Xmax(), 100);
    EXPECT_DOUBLE_EQ(chart.Ymax(), 5);
    EXPECT_FALSE(timer2.isActive());
}

TEST_F(LoggerPageView, EnterPressesStartUnlessAnotherButtonHasTheFocus) {
    int starts = 0;
    int readOuts = 0;
    QObject::connect(page.Button12, &QPushButton::clicked, [&] { ++starts; });
    QObject::connect(page.Button11, &QPushButton::clicked, [&] { ++readOuts; });
    QObject::disconnect(page.Button12, &QPushButton::clicked, &page, nullptr);
    QObject::disconnect(page.Button11, &QPushButton::clicked, &page, nullptr);
    page.show();
    page.activateWindow();

    page.ComboBox17->setFocus();
    QTest::keyClick(page.ComboBox17, Qt::Key_Return);
    EXPECT_EQ(starts, 1);
    page.Button11->setFocus();
    QTest::keyClick(page.Button11, Qt::Key_Enter);
    EXPECT_EQ(readOuts, 1);
    page.Button12->setEnabled(false); // a measurement counts down
    page.ComboBox16->setFocus();
    QTest::keyClick(page.ComboBox16, Qt::Key_Return);
    EXPECT_EQ(starts, 1);
}

struct SummaryCase {
    int item;
    const char* text; // under German
    double xmax;
    const char* unit;
};

TEST_F(LoggerPageView, DurationChangeShowsTheSummaryAndTheChartUnit) {
    const SummaryCase cases[] = {
        {4, "120 Messpunkte, Dauer 60 s, Intervall 0,5 s", 60, "Sekunden"},
        {10, "120 Messpunkte, Dauer 2700 s, Intervall 22,5 s", 45, "Minuten"},
        {11, "120 Messpunkte, Dauer 3600 s, Intervall 30 s", 60, "Minuten"},
        {12, "120 Messpunkte, Dauer 7200 s, Intervall 60 s", 2, "Stunden"},
        {19, "120 Messpunkte, Dauer 86400 s, Intervall 720 s", 24, "Stunden"},
        {0, "120 Messpunkte, Dauer 7,5 s, Intervall 0,0625 s", 7.5, "Sekunden"},
    };
    for (const SummaryCase& c : cases) {
        SCOPED_TRACE(c.item);
        page.ComboBox16->setCurrentIndex(c.item); // a change runs ComboBox16Change
        EXPECT_EQ(page.Label14->text(), QString::fromUtf8(c.text));
        EXPECT_DOUBLE_EQ(page.Diagram1->Xmax(), c.xmax);
        EXPECT_EQ(page.Diagram1->CaptionX(), QString::fromUtf8(c.unit));
        EXPECT_DOUBLE_EQ(page.Diagram1->Xmin(), 0);
    }
}

TEST_F(LoggerPageView, SummaryNumbersFollowTheUserLocale) {
    const test::LocaleScope english(test::english());
    page.ComboBox16Change();
    EXPECT_EQ(page.Label14->text(),
              QStringLiteral("120 Messpunkte, Dauer 7.5 s, Intervall 0.0625 s"));
}

TEST_F(LoggerPageView, NoSelectionCountsAsTheFirstDuration) {
    page.ComboBox16->setCurrentIndex(-1);
    EXPECT_EQ(page.Label14->text(), loggerSummary(0).text);
    EXPECT_DOUBLE_EQ(page.Diagram1->Xmax(), 7.5);
}

TEST_F(LoggerPageView, InputChangeSetsTheYAxisAndMode) {
    page.ComboBox17->setCurrentIndex(kLoggerInputDigital);
    EXPECT_EQ(page.Diagram1->CaptionY(), QStringLiteral("Port"));
    EXPECT_DOUBLE_EQ(page.Diagram1->Ymin(), 0);
    EXPECT_DOUBLE_EQ(page.Diagram1->Ymax(), 6);
    EXPECT_DOUBLE_EQ(page.Diagram1->Ydiv(), 1);
    EXPECT_EQ(page.Diagram1->DiaMode(), md05);

    page.ComboBox17->setCurrentIndex(kLoggerInputAnalog);
    EXPECT_EQ(page.Diagram1->CaptionY(), QStringLiteral("Volt"));
    EXPECT_DOUBLE_EQ(page.Diagram1->Ymax(), 5);
    EXPECT_DOUBLE_EQ(page.Diagram1->Ydiv(), 0);
    EXPECT_EQ(page.Diagram1->DiaMode(), mdNormal);

    // Any other item leaves the axis as it is.
    page.ComboBox17->setCurrentIndex(-1);
    EXPECT_EQ(page.Diagram1->CaptionY(), QStringLiteral("Volt"));
    EXPECT_EQ(page.Diagram1->DiaMode(), mdNormal);
}

TEST_F(LoggerPageView, AnalogValuesAreDrawnAsOnePolyline) {
    page.ComboBox16Change();
    LoggerValues& values = page.loggerValues();
    for (int k = 0; k <= 60; ++k)
        values[k] = 51; // 1 V
    for (int k = 61; k < kLoggerValueCount; ++k)
        values[k] = 204; // 4 V
    const QImage image = renderChart();
    const double dx = 7.5 / 120;

    EXPECT_TRUE(traceNear(image, 20 * dx, 1.0));
    EXPECT_FALSE(traceNear(image, 20 * dx, 4.0));
    EXPECT_TRUE(traceNear(image, 100 * dx, 4.0));
    EXPECT_FALSE(traceNear(image, 100 * dx, 1.0));
    // The step from 1 V to 4 V between samples 60 and 61.
    EXPECT_TRUE(traceNear(image, 60.5 * dx, 2.5));
}

TEST_F(LoggerPageView, DigitalValuesAreDrawnAsSixSquareWaves) {
    page.ComboBox16Change();
    page.ComboBox17->setCurrentIndex(kLoggerInputDigital);
    page.loggerValues().fill(0b101010);
    const QImage image = renderChart();
    const double x = 60 * 7.5 / 120;

    for (int bit = 0; bit < 6; ++bit) {
        SCOPED_TRACE(bit);
        const bool set = (0b101010 >> bit) & 1;
        EXPECT_TRUE(traceNear(image, x, bit + 0.03 + (set ? 0.5 : 0)));
        EXPECT_FALSE(traceNear(image, x, bit + 0.03 + (set ? 0 : 0.5)));
    }

    // Bits above bit 5 draw nothing.
    page.loggerValues().fill(0b11101010);
    page.Diagram1->Repaint();
    EXPECT_EQ(renderChart(), image);
}

TEST_F(LoggerPageView, CopyLinesTakeTheIntervalOfTheSelectedDuration) {
    LoggerValues& values = page.loggerValues();
    for (int i = 0; i < kLoggerValueCount; ++i)
        values[i] = i;
    values[2] = -1; // a failed read stays as it was read

    QStringList lines = page.copyLines();
    ASSERT_EQ(lines.size(), 121);
    EXPECT_EQ(lines[0], QStringLiteral("0,00\t0,00"));
    EXPECT_EQ(lines[1], QStringLiteral("0,06\t1,00"));
    EXPECT_EQ(lines[2], QStringLiteral("0,13\t-1,00"));
    EXPECT_EQ(lines[120], QStringLiteral("7,50\t120,00"));

    page.ComboBox16->setCurrentIndex(5); // "  2 Minuten": 1 s per interval
    lines = page.copyLines();
    ASSERT_EQ(lines.size(), 121);
    EXPECT_EQ(lines[120], QStringLiteral("120,00\t120,00"));
}

// ---- A scripted board --------------------------------------------------------------

// Answers resync, presence and cell reads like a board in command mode; the
// memory dump sends only `dump` and then falls silent.
PtyPeer::Script boardWithDump(Bytes cells, Bytes dump) {
    return [cells, dump](const std::vector<ReceivedByte>& in) -> Bytes {
        // Walk the frames from the start; answer the frame the new byte completes.
        std::size_t i = 0;
        while (i < in.size()) {
            if (in[i].value != board::kEsc || i + 1 >= in.size()) {
                ++i;
                continue;
            }
            const int command = in[i + 1].value;
            const bool withOperand = command == board::kLoadA || command == board::kStoreCell ||
                                     command == board::kReadCell;
            const std::size_t end = i + (withOperand ? 3 : 2);
            if (end > in.size())
                return {};
            if (end == in.size()) {
                auto pair = [](int v) {
                    return Bytes{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(255 - v)};
                };
                switch (command) {
                case board::kEsc:
                    return pair(board::kEsc);
                case board::kPresence:
                    return pair(board::kPresenceAnswer);
                case board::kReadCell:
                    return pair(in[i + 2].value < cells.size() ? cells[in[i + 2].value] : 0);
                case board::kReadMemory:
                    return dump;
                default:
                    return {};
                }
            }
            i = end;
        }
        return {};
    };
}

TEST_F(LoggerPageView, DumpThatBreaksOffKeepsWhatArrived) {
    PtyPeer peer;
    const Bytes cells = {62, 0, 1};
    Bytes dump = cells;
    for (int v = 1; v <= 60; ++v)
        dump.push_back(static_cast<std::uint8_t>(v)); // cells 3..62, then silence
    peer.setScript(boardWithDump(cells, dump));
    ASSERT_TRUE(
        testing_support::onLink([&] { return comphard::OpenDevice(peer.path(), "1200,N,8,1"); }));
    testing_support::onLink([&] { comphard::SetTimeout(50); });
    page.loggerValues().fill(7);
    page.ComboBox16->setCurrentIndex(7);

    page.Button11Click();
    testing_support::waitForLink();
    testing_support::onLink(comphard::ClosePort);

    EXPECT_EQ(shell.statusText(), QStringLiteral("LeseTimeout-Übertragungsfehler."));
    for (int k = 0; k < 60; ++k)
        EXPECT_EQ(page.loggerValues()[k], k + 1) << "slot " << k;
    for (int k = 60; k < kLoggerValueCount; ++k)
        EXPECT_EQ(page.loggerValues()[k], 7) << "slot " << k;
    EXPECT_EQ(page.ProgressBar1->value(), 59);
    // The boxes were set from the cells before the values came.
    EXPECT_EQ(page.ComboBox16->currentIndex(), 0);
    EXPECT_EQ(page.ComboBox17->currentIndex(), kLoggerInputDigital);
    EXPECT_EQ(page.Diagram1->DiaMode(), md05);
}

TEST_F(LoggerPageView, DumpAnsweredInFullIsTakenWithoutTheTrailingPair) {
    PtyPeer peer;
    const Bytes cells = {60, 0, 16};
    Bytes dump = cells;
    for (int v = 0; v < kLoggerValueCount; ++v)
        dump.push_back(static_cast<std::uint8_t>(255 - v));
    dump.push_back(board::kReadMemory);
    dump.push_back(255 - board::kReadMemory);
    peer.setScript(boardWithDump(cells, dump));
    ASSERT_TRUE(
        testing_support::onLink([&] { return comphard::OpenDevice(peer.path(), "1200,N,8,1"); }));
    testing_support::onLink([&] { comphard::SetTimeout(50); });

    page.Button11Click();
    testing_support::waitForLink();
    testing_support::onLink(comphard::ClosePort);

    EXPECT_EQ(shell.statusText(), QStringLiteral("OK. Messung ausgelesen."));
    for (int k = 0; k < kLoggerValueCount; ++k)
        EXPECT_EQ(page.loggerValues()[k], 255 - k) << "slot " << k;
    EXPECT_EQ(page.ProgressBar1->value(), 0);
    EXPECT_EQ(page.ComboBox16->currentIndex(), 5);
    // After the presence frame: the three cell reads, then the dump request.
    const Bytes sent = peer.receivedValues();
    const Bytes tail = {27, 1, 27, 122, 0, 27, 122, 1, 27, 122, 2, 27, 126};
    ASSERT_GE(sent.size(), tail.size());
    EXPECT_EQ(Bytes(sent.end() - static_cast<long>(tail.size()), sent.end()), tail);
}

// ---- A read that fails although a byte is waiting ---------------------------------

// A board in command mode inside the process, standing on the far end of the
// port. In its dump one cell is announced as waiting but its read fails (-1),
// as when the line breaks between the query and the read.
class BrokenReadPort : public comphard::BytePort {
public:
    static constexpr int kUnreadable = -2;

    BrokenReadPort(Bytes memory, int brokenCell)
        : m_memory(std::move(memory)), m_broken(brokenCell) {}

    void write(std::uint8_t byte, std::chrono::milliseconds) override {
        m_frame.push_back(byte);
        if (m_frame.front() != board::kEsc) {
            m_frame.clear();
            return;
        }
        if (m_frame.size() < 2)
            return;
        const int command = m_frame[1];
        const bool withOperand =
            command == board::kLoadA || command == board::kStoreCell || command == board::kReadCell;
        if (withOperand && m_frame.size() < 3)
            return;
        switch (command) {
        case board::kEsc:
            answer(board::kEsc);
            break;
        case board::kPresence:
            answer(board::kPresenceAnswer);
            break;
        case board::kReadCell:
            answer(m_memory[m_frame[2]]);
            break;
        case board::kReadMemory:
            for (int cell = 0; cell < board::kMemoryCells; ++cell)
                m_out.push_back(cell == m_broken ? kUnreadable : m_memory[cell]);
            answer(board::kReadMemory);
            break;
        default:
            break;
        }
        m_frame.clear();
    }

    int read(std::chrono::milliseconds) override {
        if (m_out.empty())
            return -1;
        const int byte = m_out.front();
        m_out.pop_front();
        return byte == kUnreadable ? -1 : byte;
    }

    unsigned bytesWaiting() override { return static_cast<unsigned>(m_out.size()); }
    bool setDtr(bool) override { return false; }

private:
    void answer(int value) {
        m_out.push_back(value);
        m_out.push_back(255 - value);
    }

    Bytes m_memory;
    int m_broken;
    Bytes m_frame;
    std::deque<int> m_out;
};

// Cells 0..2 configure "7,5 Sekunden" digital; cell k >= 3 holds k.
Bytes digitalMemory() {
    Bytes memory = {62, 0, 1};
    for (int cell = 3; cell < board::kMemoryCells; ++cell)
        memory.push_back(static_cast<std::uint8_t>(cell));
    return memory;
}

TEST_F(LoggerPageView, FailedReadOfAValueStoresItAndStopsTheReadOut) {
    testing_support::onLink([&] {
        comphard::AttachPort(std::make_unique<BrokenReadPort>(digitalMemory(), 13));
    }); // slot 10
    page.loggerValues().fill(7);
    page.ComboBox16->setCurrentIndex(7);

    page.Button11Click();
    testing_support::waitForLink();
    testing_support::onLink(comphard::ClosePort);

    EXPECT_EQ(shell.statusText(), QStringLiteral("Übertragungsfehler!"));
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(page.loggerValues()[k], k + 3) << "slot " << k;
    EXPECT_EQ(page.loggerValues()[10], -1);
    for (int k = 11; k < kLoggerValueCount; ++k)
        EXPECT_EQ(page.loggerValues()[k], 7) << "slot " << k;
    // The bar stays where the read-out stopped.
    EXPECT_EQ(page.ProgressBar1->value(), 10);
    EXPECT_EQ(page.ComboBox16->currentIndex(), 0);
    EXPECT_EQ(page.ComboBox17->currentIndex(), kLoggerInputDigital);
}

TEST_F(LoggerPageView, FailedReadOfAConfigurationCellInTheDumpKeepsTheValues) {
    testing_support::onLink(
        [&] { comphard::AttachPort(std::make_unique<BrokenReadPort>(digitalMemory(), 1)); });
    page.loggerValues().fill(7);
    page.ProgressBar1->setValue(33);

    page.Button11Click();
    testing_support::waitForLink();
    testing_support::onLink(comphard::ClosePort);

    EXPECT_EQ(shell.statusText(), QStringLiteral("Übertragungsfehler!"));
    for (int k = 0; k < kLoggerValueCount; ++k)
        EXPECT_EQ(page.loggerValues()[k], 7) << "slot " << k;
    EXPECT_EQ(page.ProgressBar1->value(), 33);
}

} // namespace
