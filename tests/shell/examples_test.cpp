// The example programs: each is a program file as the program writes it,
// compiles into the board's memory and, run on the simulated board, does what
// its comment promises; "Be&ispiel öffnen" offers every one of them.
#include "board_harness.h"
#include "compiler.h"
#include "example_programs.h"
#include "instruction_table.h"
#include "program_file.h"
#include "program_page.h"
#include "tform1.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>

using simtest::Harness;
using simtest::kMs;
using zentor::sim::InputOverrides;
using zentor::sim::Micros;

namespace {

const QString kSourceExamples = QStringLiteral(ZENTOR_SOURCE_EXAMPLES);

InputOverrides analogInput(int raw) {
    InputOverrides inputs;
    inputs.analog = raw;
    return inputs;
}

// The output an example's comment speaks of; Printed counts the bytes the
// program sent to the PC since it started.
enum class Watch { Portout, Beeps, Printed };

// The watched output took `value` at `ms` after its first change.
struct Change {
    Micros ms;
    int value;
};

struct ExampleCase {
    const char* file;
    InputOverrides inputs;
    Micros runMs; // board time the program runs
    Watch watch;
    std::vector<Change> changes; // every change within runMs
    bool ends;                   // reaches "End" within runMs
};

void PrintTo(const ExampleCase& c, std::ostream* os) {
    *os << c.file;
}

// Each example's comment, as checked here:
const ExampleCase kCases[] = {
    // Six LEDs in turn from bit 0 to bit 5, 250 ms each, then bit 0 again.
    {"lauflicht.z",
     {},
     1600,
     Watch::Portout,
     {{0, 1}, {250, 2}, {500, 4}, {750, 8}, {1000, 16}, {1250, 32}, {1500, 1}},
     false},
    // Red 3 s, red and yellow 1 s, green 3 s, yellow 1 s, red again (bits 2, 1, 0).
    {"ampel.z",
     {},
     8100,
     Watch::Portout,
     {{0, 4}, {3000, 6}, {4000, 1}, {7000, 2}, {8000, 4}},
     false},
    // Above 3 V (raw 153) a beep every 250 ms; at or below it silence.
    {"schwellwert.z",
     analogInput(200),
     900,
     Watch::Beeps,
     {{0, 1}, {250, 2}, {500, 3}, {750, 4}},
     false},
    {"schwellwert.z", analogInput(153), 900, Watch::Beeps, {}, false},
    // One beep, a 1 s pause, two beeps, a pause, three beeps 200 ms apart, End.
    {"unterprogramm.z",
     {},
     4000,
     Watch::Beeps,
     {{0, 1}, {1200, 2}, {1400, 3}, {2600, 4}, {2800, 5}, {3000, 6}},
     true},
    // Prints 0, 1, 2, ... to the PC, one every 250 ms.
    {"zaehler.z", {}, 800, Watch::Printed, {{0, 1}, {250, 2}, {500, 3}, {750, 4}}, false},
};

// Delays add the 50 µs of each instruction around them.
constexpr Micros kSlackMs = 5;

int watched(Watch watch, const zentor::sim::BoardSnapshot& s) {
    switch (watch) {
    case Watch::Portout:
        return s.outputs.portOut;
    case Watch::Beeps:
        return s.outputs.beeps;
    case Watch::Printed:
        return static_cast<int>(s.bytesSent);
    }
    return 0;
}

class ExampleProgram : public ::testing::TestWithParam<ExampleCase> {};

TEST_P(ExampleProgram, CompilesAndRunsAsItsCommentSays) {
    const ExampleCase& c = GetParam();
    const std::optional<QByteArray> bytes =
        zentor::readFileBytes(kSourceExamples + u'/' + QLatin1StringView(c.file));
    ASSERT_TRUE(bytes);
    const QStringList lines = zentor::programFileLines(*bytes);
    // Written as the program writes program files: CR LF, single-byte text.
    EXPECT_EQ(zentor::programFileBytes(lines), *bytes);

    const zentor::CompileResult compiled = zentor::compileListing(lines);
    ASSERT_TRUE(compiled.ok) << compiled.errorMessage.toStdString();
    EXPECT_LE(compiled.size, zentor::kProgramCapacity);
    // Every line but labels and comments is an instruction: a misspelt one
    // would be skipped without a word.
    const qsizetype instructionLines =
        std::count_if(lines.begin(), lines.end(), [](const QString& l) {
            return !l.startsWith(u'L') && !l.startsWith(QStringLiteral("\tRem "));
        });
    EXPECT_EQ(compiled.codeLines.size(), instructionLines);

    zentor::sim::BoardOptions options = Harness::unpaced();
    options.inputs = c.inputs;
    Harness h(options);
    std::vector<int> program;
    for (char byte : zentor::codeListBytes(compiled.codeLines))
        program.push_back(static_cast<unsigned char>(byte));
    h.load(program);
    h.start();

    // Step the board from event to event, noting every change of the
    // watched output. The program starts with the frame's last byte.
    const Micros end = h.machine.now() + c.runMs * kMs;
    std::vector<Change> changes;
    Micros first = -1;
    int last = watched(c.watch, h.machine.snapshot());
    // The answers to the upload count as sent bytes too.
    const int before = c.watch == Watch::Printed ? last : 0;
    while (h.machine.nextEventTime() <= end) {
        h.machine.advanceTo(h.machine.nextEventTime());
        const zentor::sim::BoardSnapshot s = h.machine.snapshot();
        // A port pin drives its LED only as an output.
        ASSERT_EQ(s.outputs.portOut & ~s.outputs.portDirection, 0) << s.time;
        const int value = watched(c.watch, s);
        if (value == last)
            continue;
        if (first < 0)
            first = s.time;
        changes.push_back({(s.time - first) / kMs, value - before});
        last = value;
    }
    ASSERT_EQ(changes.size(), c.changes.size());
    for (std::size_t k = 0; k < changes.size(); ++k) {
        EXPECT_EQ(changes[k].value, c.changes[k].value) << k;
        EXPECT_LE(std::abs(changes[k].ms - c.changes[k].ms), kSlackMs) << k;
    }
    EXPECT_EQ(h.machine.snapshot().lastStop == zentor::sim::StopReason::End, c.ends);
}

INSTANTIATE_TEST_SUITE_P(EveryExample, ExampleProgram, ::testing::ValuesIn(kCases));

TEST(ExampleFolder, InstalledBesideTheProgramElseTheBuildTrees) {
    QTemporaryDir installed;
    const QString bin = installed.filePath(QStringLiteral(ZENTOR_INSTALL_BINDIR));
    const QString examples = installed.filePath(QStringLiteral(ZENTOR_INSTALL_DATADIR) +
                                                QStringLiteral("/zentor/examples"));
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(examples));
    EXPECT_EQ(QFileInfo(zentor::exampleFolder(bin)).canonicalFilePath(),
              QFileInfo(examples).canonicalFilePath());

    // This test runs in the build tree, whose share/zentor leads to the sources.
    EXPECT_EQ(
        QFileInfo(zentor::exampleFolder(QCoreApplication::applicationDirPath())).canonicalFilePath(),
        QFileInfo(kSourceExamples).canonicalFilePath());
}

TEST(ExampleMenu, OffersEveryExampleAndOpensItOnTheProgramPage) {
    TForm1 window;
    QStringList captions;
    for (const QAction* entry : window.Beispiele1->actions())
        captions << entry->text();
    // Every example in the folder is checked above, and offered here.
    QStringList files;
    for (const ExampleCase& c : kCases)
        if (!files.contains(QLatin1StringView(c.file)))
            files << QLatin1StringView(c.file);
    files.sort();
    EXPECT_EQ(QDir(kSourceExamples).entryList({QStringLiteral("*.z")}, QDir::Files, QDir::Name),
              files);
    EXPECT_EQ(captions,
              (QStringList{QStringLiteral("&Ampel"), QStringLiteral("&Lauflicht"),
                           QStringLiteral("&Schwellwert"), QStringLiteral("&Unterprogramm"),
                           QStringLiteral("&Zaehler")}));

    window.Beispiele1->actions()[1]->trigger();
    EXPECT_EQ(window.PageControl1->currentWidget(), window.TabSheet4);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Zentor - lauflicht.z"));
    EXPECT_EQ(window.statusText(), QStringLiteral("110 Bytes frei."));
    EXPECT_EQ(window.TabSheet4->listingLines(),
              zentor::programFileLines(
                  *zentor::readFileBytes(kSourceExamples + QStringLiteral("/lauflicht.z"))));
}

} // namespace
