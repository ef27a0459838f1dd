// The logic of the "Auswertung" window: where the cursors stand as the data
// changes, and the text "Ergebnis kopieren" puts on the clipboard.
#include "analysis_session.h"

#include "locale_scope.h"

#include <gtest/gtest.h>

using namespace zentor::analysis;
using Cursor = AnalysisSession::Cursor;

namespace {

// n points every `step` s, y = t.
Series ramp(int n, double step) {
    Series series;
    for (int i = 0; i < n; ++i)
        series.points.push_back({i * step, i * step});
    return series;
}

} // namespace

TEST(AnalysisSession, CursorsKeepTheirTimesAndOneOnTheLastSampleFollowsTheEnd) {
    AnalysisSession session;
    struct Step {
        const char* what;
        std::function<void()> action;
        std::optional<int> a, b;
    };
    const Step steps[] = {
        {"first points: the whole range", [&] { session.setSeries(ramp(10, 0.1)); }, 0, 9},
        {"A placed, B on the last sample",
         [&] {
             session.setCursor(Cursor::A, 3);
             session.setCursor(Cursor::B, 9);
         },
         3, 9},
        {"the recording grows", [&] { session.setSeries(ramp(20, 0.1)); }, 3, 19},
        {"twice the samples: A stays at 0,3 s", [&] { session.setSeries(ramp(40, 0.05)); }, 6, 39},
        {"steps are clamped", [&] { session.stepCursor(Cursor::A, -10); }, 0, 39},
        {"B placed inside follows no more", [&] { session.stepCursor(Cursor::B, -1); }, 0, 38},
        {"a new recording starts", [&] { session.setSeries(ramp(3, 0.05)); }, 0, 2},
        {"bit lanes: nothing to point at", [&] { session.setUnavailable(QStringLiteral("Bits")); },
         std::nullopt, std::nullopt},
        {"points again: B back at 1,9 s", [&] { session.setSeries(ramp(40, 0.05)); }, 0, 38},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.action();
        EXPECT_EQ(session.cursor(Cursor::A), step.a);
        EXPECT_EQ(session.cursor(Cursor::B), step.b);
    }
}

TEST(AnalysisSession, CopyTextHoldsReadOutsStatisticsAndFitInTheUsersFormat) {
    zentor::test::LocaleScope german{zentor::test::german()};
    AnalysisSession session;
    session.setSeries({{{0, 1}, {0.25, 1.5}, {0.5, 2}, {0.75, 2.5}, {1, 3.25}}, true});
    session.setCursor(Cursor::B, 3);
    session.setFitKind(FitKind::Line);
    session.setReference(ramp(3, 1), QStringLiteral("vorher.zmess"));
    EXPECT_EQ(session.copyText(QStringLiteral("Zeitschreiber")).toStdString(),
              QStringLiteral("Auswertung: Zeitschreiber\r\n"
                             "Cursor A und B\r\n"
                             "t(A)\t0\ts\r\n"
                             "U(A)\t1\tV\r\n"
                             "t(B)\t0,75\ts\r\n"
                             "U(B)\t2,5\tV\r\n"
                             "Δt\t0,75\ts\r\n"
                             "ΔU\t1,5\tV\r\n"
                             "1/Δt\t1,3333\tHz\r\n"
                             "ΔU/Δt\t2\tV/s\r\n"
                             "Statistik zwischen A und B\r\n"
                             "Anzahl\t4\t\r\n"
                             "von\t0\ts\r\n"
                             "bis\t0,75\ts\r\n"
                             "Minimum\t1\tV\r\n"
                             "Maximum\t2,5\tV\r\n"
                             "Mittelwert\t1,75\tV\r\n"
                             "Standardabweichung\t0,6455\tV\r\n"
                             "Periodisches Signal zwischen A und B\r\n"
                             "Keine volle Periode im Bereich: das Signal kreuzt seine "
                             "Mitte nicht zweimal steigend.\r\n"
                             "Ausgleichsgerade: y = m·(t − t₀) + b, t₀ = 0 s\r\n"
                             "Steigung m\t2\tV/s\t±\t0\tV/s\r\n"
                             "b\t1\tV\t±\t0\tV\r\n"
                             "R²\t1\t\r\n"
                             "Vergleichskurve: vorher.zmess")
                  .toStdString());
}

// The oscilloscope's chart counts in milliseconds: so do its read-outs, and
// the rate stays positive with B left of A.
TEST(AnalysisSession, ReadOutsUseTheChartsTimeUnit) {
    AnalysisSession session;
    session.setTimeUnit({QStringLiteral("ms"), 1000});
    session.setSeries(ramp(101, 0.001));
    session.setCursor(Cursor::A, 50);
    session.setCursor(Cursor::B, 10);
    session.setFitKind(FitKind::Line);
    const struct {
        std::vector<ResultRow> rows;
        std::size_t row;
        const char* name;
        double value;
        const char* unit;
    } cases[] = {
        {session.cursorRows(), 0, "t_A", 50, "ms"},
        {session.cursorRows(), 4, "dt", -40, "ms"},
        {session.cursorRows(), 6, "f", 25, "Hz"},
        {session.cursorRows(), 7, "slope", 0.001, "V/ms"},
        {session.statisticsResultRows(), 1, "t_von", 10, "ms"},
        {session.fitResultRows(), 0, "m", 0.001, "V/ms"},
    };
    for (const auto& c : cases) {
        ASSERT_GT(c.rows.size(), c.row);
        const ResultRow& row = c.rows[c.row];
        EXPECT_EQ(row.name, QString::fromUtf8(c.name));
        EXPECT_NEAR(row.value, c.value, 1e-9) << c.name;
        EXPECT_EQ(row.unit, QString::fromUtf8(c.unit)) << c.name;
    }
}
