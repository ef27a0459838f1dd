// What a measurement page offers the evaluation of its measurement: its
// chart, its measurement and its time scale, and a call when they may have
// changed. The evaluation knows the pages only through this interface.
#pragma once

#include "measurement_file.h"

#include <QList>
#include <QMetaObject>
#include <QString>

#include <functional>
#include <optional>

class ChartWidgetBase;
class QObject;

namespace zentor {

struct AnalysisTimeScale {
    double chartPerSecond = 1;          // chart x units per second of measurement time
    QString unit = QStringLiteral("s"); // the time unit the chart shows: "s", "ms", "min", "h"
    double unitPerSecond = 1;           // that unit per second (1000 for ms)
};

class AnalysisSource {
public:
    // The chart the measurement is drawn on (a child of the page).
    virtual ChartWidgetBase& analysisChart() const = 0;
    // Whether the page shows values that can be evaluated at all (not the
    // logger's bit lanes).
    virtual bool offersAnalysis() const = 0;
    // The measurement the page shows, with its display settings; nothing
    // while it holds none (before the first capture, read-out or recording).
    virtual std::optional<Measurement> analysisMeasurement() const = 0;
    virtual AnalysisTimeScale analysisTimeScale() const = 0;
    // Calls `changed` (in `receiver`'s thread) whenever the measurement, its
    // display or offersAnalysis() may have changed: a sample drawn, a capture,
    // a read-out, other units or input. The connections go with `receiver`.
    virtual QList<QMetaObject::Connection>
    watchAnalysisData(QObject* receiver, const std::function<void()>& changed) const = 0;

protected:
    ~AnalysisSource() = default;
};

} // namespace zentor
