#include "scope.h"

#include "board_commands.h"

namespace zentor {

static_assert(kScopeSampleCount == board::kScopeSamples);

bool scopeDumpClosed(int echo, int complement) {
    return echo == board::kScopeRead && board::isAnswerPair(echo, complement);
}

ChartYAxis scopeYAxis(bool volts) {
    return volts ? ChartYAxis{u"Volt", 0, 5, 0.5} : kRawYAxis;
}

double scopeY(int raw, bool volts) {
    return volts ? raw / kScopeRawPerVolt : raw;
}

std::vector<LineSegment> scopeTrace(const ScopeValues& values, double xmax, bool volts) {
    constexpr int kIntervals = kScopeSampleCount - 1;
    const double dx = xmax / kIntervals;
    std::vector<LineSegment> lines;
    lines.reserve(kIntervals);
    for (int i = 0; i < kIntervals; ++i) {
        lines.push_back(
            {i * dx, scopeY(values[i], volts), (i + 1) * dx, scopeY(values[i + 1], volts)});
    }
    return lines;
}

} // namespace zentor
