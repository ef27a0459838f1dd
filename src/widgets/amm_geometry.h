// Geometry of the analog meter TAnal: where the dial, the ticks, the labels,
// the needle and the texts lie for a given control size. Pure functions of
// their arguments, in the control's pixel coordinates (origin top left,
// y downwards), so that they can be checked without painting.
#pragma once

#include <QLine>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

namespace amm {

// The frame every other position derives from. All values are pixels of the
// control; radius is negative, which turns the dial's angles so that 45
// degrees lies to the upper left of the pivot and 135 to the upper right.
struct MeterFrame {
    int s = 0;      // (width + height) / 2
    int y1 = 0;     // boundary between the dial area (above) and the bottom band
    int cx = 0;     // pivot x
    int cy = 0;     // pivot y (usually inside or below the bottom band)
    int radius = 0; // dial radius, negative
};

// The frame of a control of the given size (integer arithmetic, truncating).
MeterFrame meterFrame(QSize size);

// x rounded to the nearest integer, exact halves to the even neighbour.
// Values within 1e-9 of a half count as the half: the radius factors are
// decimal fractions (0.86, 1.1) that a double cannot hold exactly.
int roundHalfEven(double x);

// The point at angleDegrees and radius factor k (1 = the dial's rim).
QPoint dialPoint(const MeterFrame& frame, double angleDegrees, double k);

// Number of scale intervals: the number of ';' in scale, or 1 when it has none.
int scaleIntervals(const QString& scale);

// The intervals + 1 major-tick labels of scale, left to right. Each label is
// the text up to the next ';'; once no ';' is left, every further label is
// the whole remaining text (so a scale without ';' shows at both ends).
QStringList scaleLabels(const QString& scale);

// Angle in degrees of major tick i of n intervals: 45 for i = 0, 135 for i = n.
double majorTickAngle(int i, int intervals);

// Angles of the minor ticks, minor per interval, none after the last label.
// minor outside 1..10 gives none.
std::vector<double> minorTickAngles(int intervals, int minor);

// Needle angle in degrees: 45 at value 0, 135 at value == max; not limited,
// so values outside 0..max point past the ends of the scale. max must be > 0.
double needleAngle(int value, int max);

// The needle as drawn: from the pivot to the dial's rim at needleAngle.
QLine needleLine(const MeterFrame& frame, int value, int max);

// Radius factors of the scale's parts.
inline constexpr double kMajorInner = 0.86;
inline constexpr double kMajorOuter = 1.0;
inline constexpr double kMinorOuter = 0.92;
inline constexpr double kLabelRadius = 1.1;
// Vertical offsets of the caption (above the band) and the value (in it).
inline constexpr int kCaptionAbove = 20;
inline constexpr int kValueBelow = 20;

struct DialLabel {
    QPoint anchor; // horizontal centre, top edge of the text
    QString text;
};

// Everything static on the dial (not the needle or the value).
struct DialLayout {
    MeterFrame frame;
    QPoint captionAnchor;          // horizontal centre, top edge
    QPoint valueAnchor;            // horizontal centre, top edge
    std::vector<QLine> majorTicks; // inner to outer end
    std::vector<QLine> minorTicks; // outer to inner end, Minor per interval, left to right
    std::vector<DialLabel> labels;
};

DialLayout dialLayout(QSize size, const QString& scale, int minor);

} // namespace amm
