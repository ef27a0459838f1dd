// Geometry of the chart widgets without any painting: the mapping of chart
// values to pixels, the tick values of linear and logarithmic axes, the
// label texts, and the complete layout (lines and texts) of each kind of
// axis. The widgets only execute these layouts, so everything a chart draws
// apart from the owner's data can be checked here without a window.
#pragma once

#include <QLine>
#include <QPoint>
#include <QString>

#include <array>
#include <vector>

namespace chart {

// Bits of the axis mode.
inline constexpr int kLogX = 1;
inline constexpr int kLogY = 2;

// Pixel results are clamped to +-kPixelLimit, so that values far outside the
// range (or the logarithm of 0) still give a drawable coordinate.
inline constexpr int kPixelLimit = 1'000'000;

// At most this many grid lines per axis; a division that would give more
// (a tiny Xdiv over a wide range) draws none instead of hanging the window.
inline constexpr int kMaxGridLines = 2000;

// The mapping state of one chart: set by every paint, used by the drawing
// operations until the next paint.
struct ChartScale {
    int axisMode = 0; // kLogX | kLogY
    double xmin = 0, xmax = 5, ymin = 0, ymax = 5;
    double xdiv = 0, ydiv = 0; // effective divisions
    int left = 0, top = 0;     // plot origin, pixels
    int width = 0, height = 0; // plot size, pixels

    bool logX() const { return (axisMode & kLogX) != 0; }
    bool logY() const { return (axisMode & kLogY) != 0; }

    // Fraction 0..1 of the way from min to max (outside for values outside
    // the range; NaN for a logarithm of a value <= 0 or a zero-width range).
    double fractionX(double x) const;
    double fractionY(double y) const;

    // Pixel column of x: left + round(width * fraction). Clamped to
    // +-kPixelLimit; a NaN fraction gives -kPixelLimit.
    int toPixelX(double x) const;
    // Pixel row of y: top + height - round(height * fraction); larger values
    // lie higher. Clamped like toPixelX.
    int toPixelY(double y) const;
};

// The division actually used: div when it is greater than 0, otherwise a
// tenth of the range.
double effectiveDivision(double min, double max, double div);

// Whether an axis pair can be drawn: finite ranges with max > min, and a
// minimum above 0 on every logarithmic axis.
bool rangesValid(double xmin, double xmax, double ymin, double ymax, int axisMode);

// Values min, min + div, ... up to max. With tolerance the last value may
// exceed max by 1 % of the range (so that a rounding overshoot of the
// division still gives the last grid line); without it the values stay
// strictly below max. Empty for div <= 0 or more than kMaxGridLines values.
std::vector<double> linearTicks(double min, double max, double div, bool withTolerance);

// Decimals of the labels of a linear axis: 0 for a whole division, otherwise
// round(log10(|min|)) + 1 for min != 0, 1 for min == 0. Where that rule
// gives less than 1 for a fractional division, the decimals that the
// division itself needs (1..6) are taken instead.
int linearDecimals(double min, double div);

// Decimals of the labels of a logarithmic axis: round(-log10(min)) for
// min < 1, otherwise 0.
int logDecimals(double min);

// Field widths of the labels, in characters.
inline constexpr int kXLabelWidth = 3;
inline constexpr int kYLabelWidth = 4;

// v in fixed point with the given decimals, padded with leading blanks to
// fieldWidth. The axis labels always use a decimal point and no group
// separator, whatever the user's locale. A value that rounds to zero is
// written without a minus sign.
QString labelText(double v, int decimals, int fieldWidth);

// Decades of a logarithmic axis.
struct LogTicks {
    std::vector<double> labels; // the powers of ten that get a label
    std::vector<double> grid;   // values with a grid line
};
// x axis: powers 10^k from k = round(log10(min)) while k <= log10(max); grid
// lines at 2..10 x 10^k up to max * 1.01. Values below min are left out.
LogTicks logXTicks(double min, double max);
// y axis: powers from k = log10(min) (not rounded) while k < log10(max);
// grid lines as for x.
LogTicks logYTicks(double min, double max);

// ---- Axis layouts --------------------------------------------------------

enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Baseline, Bottom };

// One text: the reference point and how the text sits on it. A vertical
// text is rotated by 90 degrees (reading upwards); its alignment applies in
// the rotated frame, so "Bottom" is its right-hand side on the screen.
struct TextItem {
    QPoint at;
    QString text;
    HAlign h = HAlign::Left;
    VAlign v = VAlign::Baseline;
    bool vertical = false;
};

struct AxisLayout {
    std::vector<QLine> grid;  // grid lines, in order of their values
    std::vector<QLine> edges; // axis line(s) and frame edges
    std::vector<TextItem> labels;
    std::vector<TextItem> captions; // empty texts are left out
};

// Size of the letter "W" in the chart font.
struct TextMetrics {
    int tw = 0; // width
    int th = 0; // height (ascent + descent)
};

AxisLayout linearXAxis(const ChartScale& s, const QString& caption, TextMetrics m);
AxisLayout linearYAxis(const ChartScale& s, const QString& caption, TextMetrics m);
AxisLayout logXAxis(const ChartScale& s, const QString& caption, TextMetrics m);
AxisLayout logYAxis(const ChartScale& s, const QString& caption, TextMetrics m);
// The lane axis of the port display: grid lines and labels strictly below
// ymax, each label half a text height above its line, a top edge, and the
// caption read horizontally beside the top-left corner.
AxisLayout portYAxis(const ChartScale& s, const QString& caption, TextMetrics m);

// ---- Markers -------------------------------------------------------------

// The two-point segments of one marker kind around (px, py) with half-size s
// (kind as in TMarkerTypes: 0 cross, 1 diamond, 2 square, 3 triangle,
// 4 dot, 5 plus; the circle, 6, is an ellipse and has no segments). The dot
// is one zero-length segment at (px, py). No allocation: markers may be drawn
// for every point of a trace.
struct MarkerSegments {
    std::array<QLine, 4> lines;
    int count = 0;
    const QLine* begin() const { return lines.data(); }
    const QLine* end() const { return lines.data() + count; }
};
MarkerSegments markerSegments(int kind, int px, int py, int s);

} // namespace chart
