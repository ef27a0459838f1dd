// Plain chart geometry shared by the measurement pages: the line segments a
// page hands to its chart's DrawLine, and the y-axis settings of a chart.
#pragma once

#include <QString>
#include <QStringView>

namespace zentor {

// One DrawLine call, in the chart's own units (x in s or ms, y in V or raw).
struct LineSegment {
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
    friend bool operator==(const LineSegment&, const LineSegment&) = default;
};

// Y-axis settings of a chart. A ydiv of 0 asks the chart for its automatic
// division (a tenth of the range).
struct ChartYAxis {
    QStringView captionY;
    double ymin = 0;
    double ymax = 0;
    double ydiv = 0;
    friend bool operator==(const ChartYAxis&, const ChartYAxis&) = default;
};

// The raw axis of the recorder and the oscilloscope: 0 to 256 in steps of 16,
// the caption one blank.
inline constexpr ChartYAxis kRawYAxis{u" ", 0, 256, 16};

} // namespace zentor
