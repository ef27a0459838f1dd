// The panel's texts and rules from snapshots: state texts, numbers, listing
// rows and their addresses, the instruction about to run, the stepping
// buttons and new beeps.
#include "compiler.h"
#include "instruction_table.h"
#include "panel_model.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

namespace sp = zentor::simpanel;
using zentor::sim::Activity;
using zentor::sim::BoardSnapshot;
using zentor::sim::Mode;
using zentor::sim::StopReason;

class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

BoardSnapshot snapshot(Mode mode, Activity activity, bool paused = false,
                       StopReason lastStop = StopReason::None, bool waiting = false) {
    BoardSnapshot s;
    s.mode = mode;
    s.activity = activity;
    s.paused = paused;
    s.lastStop = lastStop;
    s.waitingForInput = waiting;
    return s;
}

sp::Memory memoryOf(const QStringList& listing) {
    const zentor::CompileResult compiled = zentor::compileListing(listing);
    EXPECT_TRUE(compiled.ok);
    const QByteArray bytes = zentor::codeListBytes(compiled.codeLines);
    sp::Memory memory{};
    for (int k = 0; k < bytes.size(); ++k)
        memory[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(bytes[k]);
    return memory;
}

constexpr int code(std::string_view pattern) {
    for (const zentor::Instruction& i : zentor::kInstructionTable)
        if (i.pattern == pattern)
            return i.code;
    return -1;
}

TEST(PanelModel, StateTexts) {
    struct Case {
        BoardSnapshot snapshot;
        const char* text;
    };
    const Case cases[] = {
        {snapshot(Mode::Command, Activity::None), "Befehlsmodus"},
        {snapshot(Mode::Command, Activity::None, false, StopReason::End),
         "Befehlsmodus (Programm mit End beendet)"},
        {snapshot(Mode::Command, Activity::None, false, StopReason::StackUnderflow),
         "Befehlsmodus (Programm abgebrochen: Return ohne Gosub)"},
        {snapshot(Mode::Command, Activity::None, false, StopReason::LoggerDone),
         "Befehlsmodus (Messung beendet)"},
        {snapshot(Mode::Command, Activity::None, true),
         "Befehlsmodus, hält beim nächsten Start an"},
        {snapshot(Mode::Running, Activity::Program), "Programm läuft"},
        {snapshot(Mode::Running, Activity::Program, false, StopReason::None, true),
         "Programm wartet auf ein Byte (Input A)"},
        {snapshot(Mode::Running, Activity::Program, true), "Programm angehalten"},
        {snapshot(Mode::Interrupted, Activity::Program), "Programm unterbrochen"},
        {snapshot(Mode::Interrupted, Activity::Program, true), "Programm unterbrochen"},
        {snapshot(Mode::Running, Activity::Logger), "Logger misst"},
        {snapshot(Mode::Running, Activity::Logger, true), "Logger angehalten"},
        {snapshot(Mode::Interrupted, Activity::Logger), "Logger unterbrochen"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sp::stateText(c.snapshot), QString::fromUtf8(c.text));

    BoardSnapshot gone = snapshot(Mode::Running, Activity::Program);
    gone.unplugged = true;
    EXPECT_EQ(sp::stateText(gone), sp::unpluggedText());
}

TEST(PanelModel, NumbersInDecimalHexAndVolts) {
    EXPECT_EQ(sp::decimalText(0), "0");
    EXPECT_EQ(sp::decimalText(255), "255");
    EXPECT_EQ(sp::hexText(12), "$0C");
    EXPECT_EQ(sp::hexText(255), "$FF");
    {
        LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(sp::voltsText(128), "2,51 Volt");
        EXPECT_EQ(sp::voltsText(0), "0,00 Volt");
        EXPECT_EQ(sp::voltsText(255), "5,00 Volt");
    }
    LocaleScope english(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(sp::voltsText(128), "2.51 Volt");
}

TEST(PanelModel, ListingRowsCarryTheirAddresses) {
    const sp::Memory memory =
        memoryOf({"\tC = 3", "L1: Schleife", "\tA = A + 1", "\tB = A", "\tC*Goto L1: ", "\tEnd"});
    const sp::ListingView view = sp::listingView(memory);
    ASSERT_EQ(view.listing,
              (QStringList{"\tC = 3", "L1: ", "\tA = A + 1", "\tB = A", "\tC*Goto L1: ", "\tEnd"}));
    EXPECT_EQ(view.addresses, (std::vector<int>{0, -1, 2, 3, 4, 6}));

    struct Case {
        int address;
        int row;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, "C = 3"},
        {2, 2, "A = A + 1"},
        {4, 4, "C*Goto L1: "},
        {6, 5, "End"},
        // The operand of "C = 3", read as an instruction: no code.
        {1, -1, "kein Befehl ($03)"},
        // Past the program: cell 7 is 0, no code.
        {7, -1, "kein Befehl ($00)"},
        {128, -1, "außerhalb des Speichers"},
        {-1, -1, "außerhalb des Speichers"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sp::rowOfAddress(view, c.address), c.row) << c.address;
        EXPECT_EQ(sp::instructionText(memory, view, c.address), QString::fromUtf8(c.text))
            << c.address;
    }
}

TEST(PanelModel, InstructionOutsideTheListingIsFormattedFromItsBytes) {
    sp::Memory memory{};
    memory[0] = code("End");
    // Code after the "End" that no jump reaches is no part of the listing.
    memory[10] = code("Goto .a");
    memory[11] = 0x1A;
    memory[12] = code("PWM = .n");
    memory[13] = 200;
    memory[14] = code("A = A Shl 1");
    memory[127] = code("A = .n"); // its operand would lie beyond memory
    const sp::ListingView view = sp::listingView(memory);
    ASSERT_EQ(view.listing.size(), 1);
    EXPECT_EQ(sp::instructionText(memory, view, 10), "Goto $1A");
    EXPECT_EQ(sp::instructionText(memory, view, 12), "PWM = 200");
    EXPECT_EQ(sp::instructionText(memory, view, 14), "A = A Shl 1");
    EXPECT_EQ(sp::instructionText(memory, view, 127), "A = ?");
}

TEST(PanelModel, StepControls) {
    struct Case {
        BoardSnapshot snapshot;
        bool pause, step, resume;
    };
    const Case cases[] = {
        {snapshot(Mode::Command, Activity::None), true, false, false},
        {snapshot(Mode::Command, Activity::None, true), false, false, true},
        {snapshot(Mode::Running, Activity::Program), true, false, false},
        {snapshot(Mode::Running, Activity::Program, true), false, true, true},
        // A program waiting in "Input A" only goes on with a byte from the PC.
        {snapshot(Mode::Running, Activity::Program, true, StopReason::None, true), false, false,
         true},
        {snapshot(Mode::Running, Activity::Logger, true), false, true, true},
        // Interrupted by the PC: only the PC's continue lets it step again.
        {snapshot(Mode::Interrupted, Activity::Program, true), false, false, true},
    };
    for (const Case& c : cases) {
        const sp::StepControls got = sp::stepControls(c.snapshot);
        EXPECT_EQ(got.pause, c.pause) << sp::stateText(c.snapshot).toStdString();
        EXPECT_EQ(got.step, c.step) << sp::stateText(c.snapshot).toStdString();
        EXPECT_EQ(got.resume, c.resume) << sp::stateText(c.snapshot).toStdString();
    }
    BoardSnapshot gone = snapshot(Mode::Running, Activity::Program, true);
    gone.unplugged = true;
    const sp::StepControls none = sp::stepControls(gone);
    EXPECT_FALSE(none.pause || none.step || none.resume);
}

TEST(PanelModel, BeepWatcherReportsOnlyNewBeepsOfTheSameBoard) {
    sp::BeepWatcher watcher;
    const int first = 0;
    const int second = 0;
    EXPECT_FALSE(watcher.update(&first, 3)); // beeps from before the panel looked
    EXPECT_FALSE(watcher.update(&first, 3));
    EXPECT_TRUE(watcher.update(&first, 4));
    EXPECT_TRUE(watcher.update(&first, 9));    // several between two looks: one flash
    EXPECT_FALSE(watcher.update(&second, 12)); // another board
    EXPECT_TRUE(watcher.update(&second, 13));
    EXPECT_FALSE(watcher.update(&second, 0)); // restarted at the same place
    EXPECT_TRUE(watcher.update(&second, 1));
}

} // namespace
