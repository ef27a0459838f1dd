#include "logger.h"

#include "board_commands.h"
#include "conversion.h"
#include "number_format.h"

namespace zentor {

static_assert(kLoggerConfigCells + kLoggerValueCount == board::kMemoryCells);

std::array<BoardFrame, 6> loggerConfigFrames(int durationItem, int inputItem) {
    const LoggerIntervalCells cells = loggerIntervalCells(durationItem);
    return {{
        {board::kLoadA, loggerInputCode(inputItem)},
        {board::kStoreCell, 0},
        {board::kLoadA, cells.hi},
        {board::kStoreCell, 1},
        {board::kLoadA, cells.lo},
        {board::kStoreCell, 2},
    }};
}

LoggerSummary loggerSummary(int item) {
    // The summary works in units of 60/16 s (w), the board in 1/16 s per
    // interval; w / 16 × 60 is the duration, w / 16 / 2 the interval.
    const int seconds = loggerDurationMs(item) / 1000;
    const LoggerIntervalCells w = loggerIntervalCellsFor(seconds * 16 / 60);
    const double x = w.value() / 16.0;

    LoggerSummary summary;
    summary.durationSeconds = x * 60;
    summary.intervalSeconds = x / 2;
    summary.text = QStringLiteral("120 Messpunkte, Dauer ") + shortForm(summary.durationSeconds) +
                   QStringLiteral(" s, Intervall ") + shortForm(summary.intervalSeconds) +
                   QStringLiteral(" s");

    // Hours first, then minutes: 3600 s is 60 minutes, 7200 s 2 hours.
    summary.xmax = summary.durationSeconds;
    summary.unit = u"Sekunden";
    if (summary.xmax > 3600) {
        summary.xmax /= 3600;
        summary.unit = u"Stunden";
    }
    if (summary.xmax > 60) {
        summary.xmax /= 60;
        summary.unit = u"Minuten";
    }
    return summary;
}

LoggerCountdown loggerCountdown(quint32 loggerSeconds, quint32 elapsedMs) {
    const quint32 elapsedSeconds = elapsedMs / 1000;
    if (elapsedSeconds < loggerSeconds) {
        return {false, QStringLiteral("Messung läuft ... noch ") +
                           QString::number(loggerSeconds - elapsedSeconds) +
                           QStringLiteral(" Sekunden.")};
    }
    return {true, kLoggerFinishedText.toString()};
}

QString loggerDurationLabel(int cell1, int cell2) {
    double t = (cell1 * 256 + cell2) / 16.0 * kLoggerIntervals;
    QString label = shortForm(t) + QStringLiteral(" Sekunden");
    if (t > 60) {
        t /= 60;
        label = shortForm(t) + QStringLiteral(" Minuten");
        if (t > 60) {
            t /= 60;
            label = shortForm(t) + QStringLiteral(" Stunden");
        }
    }
    return label;
}

int loggerDurationItemForLabel(QStringView label) {
    for (std::size_t i = 0; i < kLoggerDurations.size(); ++i) {
        QStringView text = kLoggerDurations[i].itemText;
        while (text.startsWith(u' ')) {
            text = text.mid(1);
        }
        if (text.compare(label, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

int loggerInputItemForCode(int cell0) {
    // A code other than 60 or 62 means the cells hold something else (a
    // stored program, say); the analog view shows any byte without hiding bits.
    return cell0 == loggerInputCode(kLoggerInputDigital) ? kLoggerInputDigital : kLoggerInputAnalog;
}

LoggerConfiguration interpretLoggerConfiguration(int cell0, int cell1, int cell2) {
    LoggerConfiguration configuration;
    configuration.durationLabel = loggerDurationLabel(cell1, cell2);
    configuration.durationItem = loggerDurationItemForLabel(configuration.durationLabel);
    configuration.inputItem = loggerInputItemForCode(cell0);
    return configuration;
}

std::optional<LoggerInputAxis> loggerInputAxis(int inputItem) {
    if (inputItem == kLoggerInputAnalog) {
        return LoggerInputAxis{{u"Volt", 0, 5, 0}, false};
    }
    if (inputItem == kLoggerInputDigital) {
        return LoggerInputAxis{{u"Port", 0, 6, 1}, true};
    }
    return std::nullopt;
}

std::vector<LineSegment> loggerTrace(const LoggerValues& values, int inputItem, double xmax) {
    constexpr int kBits = 6;
    constexpr double kLowLevel = 0.03;
    constexpr double kHighStep = 0.5;

    std::vector<LineSegment> lines;
    const double dx = xmax / kLoggerIntervals;
    double x = 0;
    if (inputItem == kLoggerInputAnalog) {
        lines.reserve(kLoggerIntervals);
        for (int k = 0; k < kLoggerIntervals; ++k) {
            const double y1 = ConvertReading(kChannelVoltage, values[k]).value;
            const double y2 = ConvertReading(kChannelVoltage, values[k + 1]).value;
            lines.push_back({x, y1, x + dx, y2});
            x += dx;
        }
    } else if (inputItem == kLoggerInputDigital) {
        lines.reserve(kLoggerIntervals * kBits * 2);
        for (int k = 0; k < kLoggerIntervals; ++k) {
            for (int bit = 0; bit < kBits; ++bit) {
                const int mask = 1 << bit;
                const int p = (values[k] & mask) != 0 ? 1 : 0;
                const int q = (values[k + 1] & mask) != 0 ? 1 : 0;
                const double yp = bit + kLowLevel + p * kHighStep;
                const double yq = bit + kLowLevel + q * kHighStep;
                lines.push_back({x, yq, x + dx, yq});
                if (p != q) {
                    lines.push_back({x, yq, x, yp});
                }
            }
            x += dx;
        }
    }
    return lines;
}

LoggerDump::Step LoggerDump::take(int byte) {
    if (m_failed) {
        return Step::Failed;
    }
    if (m_nextCell >= board::kMemoryCells) {
        return Step::Complete;
    }
    const int cell = m_nextCell++;
    if (cell >= kLoggerConfigCells) {
        const int slot = cell - kLoggerConfigCells;
        m_values[static_cast<std::size_t>(slot)] = byte;
        m_progress = slot;
    }
    if (byte == -1) {
        m_failed = true;
        return Step::Failed;
    }
    return m_nextCell == board::kMemoryCells ? Step::Complete : Step::More;
}

} // namespace zentor
