#include "curve_fit.h"

#include <Eigen/Dense>
#include <unsupported/Eigen/FFT>
#include <unsupported/Eigen/NonLinearOptimization>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace zentor::analysis {

namespace {

// Some code run when the window system is set up (measured here after
// creating the QGuiApplication, on a virtualised Xeon) leaves the upper
// halves of the AVX registers in use. Until a VZEROUPPER clears them every
// SSE instruction pays a transition penalty, which made the exp and sin
// calls of a fit some 25 times slower. A fit clears them first.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
__attribute__((target("avx"))) void clearUpperHalves() {
    _mm256_zeroupper();
}
void prepareVectorUnit() {
    if (__builtin_cpu_supports("avx"))
        clearUpperHalves();
}
#else
void prepareVectorUnit() {}
#endif

constexpr double kTwoPi = 2 * std::numbers::pi;

// The minimiser stops when a step changes the sum or the parameters by less
// than this share: far below anything the board's 8-bit values can show.
constexpr double kTolerance = 1e-13;
constexpr int kMaxEvaluations = 4000;
// Along a straight line the best exponential runs off to an endless τ (and
// the best sine to an endless period) with amplitudes to match; such a
// "fit" says nothing about the data. Beyond these multiples of the range
// the bend of the curve is far below one raw step of the board.
constexpr double kLongestTau = 100;
constexpr double kLongestPeriod = 4;

QString tooFew(std::size_t n, int needed) {
    return QStringLiteral("Zu wenige Messwerte: %1, nötig sind mindestens %2.").arg(n).arg(needed);
}
const QString kNoTimeSpan = QStringLiteral("Alle Messwerte haben dieselbe Zeit.");
const QString kFlatExponential = QStringLiteral(
    "Die Werte ändern sich nicht: eine Exponentialfunktion lässt sich nicht anpassen.");
const QString kFlatSine =
    QStringLiteral("Die Werte ändern sich nicht: eine Sinuskurve lässt sich nicht anpassen.");
const QString kStraight = QStringLiteral(
    "Kein exponentieller Verlauf: die Werte folgen in diesem Bereich einer Geraden.");
const QString kTooSlow =
    QStringLiteral("Keine Schwingung: der Bereich zeigt weniger als eine Viertelperiode.");
const QString kNoConvergence =
    QStringLiteral("Die Anpassung konvergiert nicht: keine Kurve dieser Art passt zu den Werten.");

using Vector = Eigen::VectorXd;

// ---- Models for the minimiser: value and gradient at s = t − t0 -----------------------

// x = (A, k, C): A·e^(−k·s) + C. The rate k = 1/τ passes through 0 smoothly,
// so the minimiser can move between decay and growth.
struct ExponentialModel {
    static constexpr int kParameters = 3;
    static double value(const Vector& x, double s) { return x[0] * std::exp(-x[1] * s) + x[2]; }
    template <typename Row> static void gradient(const Vector& x, double s, Row&& g) {
        const double e = std::exp(-x[1] * s);
        g(0) = e;
        g(1) = -x[0] * s * e;
        g(2) = 1;
    }
};

// x = (A, f, φ, C): A·sin(2π·f·s + φ) + C.
struct SineModel {
    static constexpr int kParameters = 4;
    static double value(const Vector& x, double s) {
        return x[0] * std::sin(kTwoPi * x[1] * s + x[2]) + x[3];
    }
    template <typename Row> static void gradient(const Vector& x, double s, Row&& g) {
        const double angle = kTwoPi * x[1] * s + x[2];
        const double c = x[0] * std::cos(angle);
        g(0) = std::sin(angle);
        g(1) = c * kTwoPi * s;
        g(2) = c;
        g(3) = 1;
    }
};

// The residuals y(s) − y_i and their Jacobian, as Eigen's minimiser asks for them.
template <typename Model> class Residuals {
public:
    Residuals(std::span<const Point> points, double origin) : m_points(points), m_origin(origin) {}

    int values() const { return static_cast<int>(m_points.size()); }
    int operator()(const Vector& x, Vector& f) const {
        for (std::size_t i = 0; i < m_points.size(); ++i)
            f[static_cast<Eigen::Index>(i)] =
                Model::value(x, m_points[i].t - m_origin) - m_points[i].y;
        return 0;
    }
    int df(const Vector& x, Eigen::MatrixXd& jacobian) const {
        for (std::size_t i = 0; i < m_points.size(); ++i)
            Model::gradient(x, m_points[i].t - m_origin,
                            jacobian.row(static_cast<Eigen::Index>(i)));
        return 0;
    }

private:
    std::span<const Point> m_points;
    double m_origin;
};

// Levenberg-Marquardt from `start`; nothing when it does not converge.
template <typename Model>
std::optional<Vector> minimise(std::span<const Point> points, double origin, Vector start) {
    Residuals<Model> residuals(points, origin);
    Eigen::LevenbergMarquardt<Residuals<Model>> lm(residuals);
    lm.parameters.ftol = kTolerance;
    lm.parameters.xtol = kTolerance;
    lm.parameters.maxfev = kMaxEvaluations;
    using namespace Eigen::LevenbergMarquardtSpace;
    switch (lm.minimize(start)) {
    case RelativeReductionTooSmall:
    case RelativeErrorTooSmall:
    case RelativeErrorAndReductionTooSmall:
    case CosinusTooSmall:
    // The tolerances are below what the arithmetic can resolve: no step
    // improves the sum any more, which is the minimum as well.
    case FtolTooSmall:
    case XtolTooSmall:
    case GtolTooSmall:
        break;
    default:
        return std::nullopt;
    }
    if (!start.allFinite())
        return std::nullopt;
    return start;
}

// ---- Linear least squares for the curves' linear parameters -------------------------

// The best a·u(s) + c for fixed basis values u: (a, c) and the sum of squares.
struct LinearPart {
    double a = 0, c = 0, sumSquares = 0;
};

template <typename Basis>
std::optional<LinearPart> solveLinear(std::span<const Point> points, double origin, Basis u) {
    // Centred sums: the times may lie far from the origin.
    const double n = static_cast<double>(points.size());
    double meanU = 0, meanY = 0;
    for (const Point& p : points) {
        meanU += u(p.t - origin);
        meanY += p.y;
    }
    meanU /= n;
    meanY /= n;
    double suu = 0, suy = 0;
    for (const Point& p : points) {
        const double du = u(p.t - origin) - meanU;
        suu += du * du;
        suy += du * (p.y - meanY);
    }
    if (!(suu > 0) || !std::isfinite(suu) || !std::isfinite(suy))
        return std::nullopt;
    LinearPart part;
    part.a = suy / suu;
    part.c = meanY - part.a * meanU;
    for (const Point& p : points) {
        const double d = part.a * u(p.t - origin) + part.c - p.y;
        part.sumSquares += d * d;
    }
    return part;
}

// The best A·sin(2π·f·s) + B·cos(2π·f·s) + C for a fixed frequency, as
// (amplitude, phase, C) and the sum of squares.
struct SinePart {
    double a = 0, phase = 0, c = 0, sumSquares = 0;
};

std::optional<SinePart> solveSine(std::span<const Point> points, double origin, double f) {
    Eigen::Matrix3d normal = Eigen::Matrix3d::Zero();
    Eigen::Vector3d right = Eigen::Vector3d::Zero();
    double squares = 0;
    for (const Point& p : points) {
        const double angle = kTwoPi * f * (p.t - origin);
        const Eigen::Vector3d row(std::sin(angle), std::cos(angle), 1);
        normal += row * row.transpose();
        right += row * p.y;
        squares += p.y * p.y;
    }
    const Eigen::LDLT<Eigen::Matrix3d> solver(normal);
    if (solver.info() != Eigen::Success)
        return std::nullopt;
    const Eigen::Vector3d x = solver.solve(right);
    if (!x.allFinite())
        return std::nullopt;
    // The sum of squares from the normal equations: a second pass over the
    // points (and their sines) would double the cost of every trial, and
    // the sums only rank the trial frequencies.
    const double sumSquares = squares - 2 * x.dot(right) + x.dot(normal * x);
    return SinePart{std::hypot(x[0], x[1]), std::atan2(x[1], x[0]), x[2], sumSquares};
}

// ---- Starting values ---------------------------------------------------------------------

double timeSpan(std::span<const Point> points) {
    return points.back().t - points.front().t;
}

bool isFlat(std::span<const Point> points) {
    const auto [low, high] = std::minmax_element(
        points.begin(), points.end(), [](const Point& a, const Point& b) { return a.y < b.y; });
    return low->y == high->y;
}

// The rate k of the exponential that best explains the points among: the
// one through three averaged points (the thirds of the range, whose means
// stand for the values at their middles) and a wide logarithmic grid of
// decays and growths, each with its best A and C.
std::optional<Vector> exponentialStart(std::span<const Point> points, double origin) {
    const double span = timeSpan(points);
    const double first = points.front().t;
    std::vector<double> rates;

    std::array<double, 3> sum{};
    std::array<int, 3> count{};
    for (const Point& p : points) {
        const int third = std::min(2, static_cast<int>(3 * (p.t - first) / span));
        sum[static_cast<std::size_t>(third)] += p.y;
        ++count[static_cast<std::size_t>(third)];
    }
    if (count[0] > 0 && count[1] > 0 && count[2] > 0) {
        const double y1 = sum[0] / count[0], y2 = sum[1] / count[1], y3 = sum[2] / count[2];
        const double ratio = (y2 - y3) / (y1 - y2);
        if (std::isfinite(ratio) && ratio > 0 && ratio != 1)
            rates.push_back(-std::log(ratio) / (span / 3));
    }
    // τ from a hundredth of the range to ten times it, both ways.
    for (int i = -6; i <= 12; ++i) {
        const double k = std::pow(10.0, i / 6.0) / span;
        rates.push_back(k);
        rates.push_back(-k);
    }

    std::optional<Vector> best;
    double bestSum = 0;
    for (double k : rates) {
        const auto part = solveLinear(points, origin, [k](double s) { return std::exp(-k * s); });
        if (part && std::isfinite(part->sumSquares) && (!best || part->sumSquares < bestSum)) {
            best = Vector(3);
            *best << part->a, k, part->c;
            bestSum = part->sumSquares;
        }
    }
    return best;
}

// The strongest frequency of the points: they are resampled onto an even
// grid (the recorder's samples come at uneven times), their mean is taken
// off and the peak of the zero-padded spectrum is refined by trying
// frequencies around it with the best amplitude, phase and offset for each.
std::optional<Vector> sineStart(std::span<const Point> points, double origin) {
    const double span = timeSpan(points);
    const double first = points.front().t;
    const std::size_t grid = std::max<std::size_t>(64, std::bit_ceil(points.size()));
    constexpr std::size_t kPadding = 4;
    const double step = span / static_cast<double>(grid - 1);

    std::vector<double> even(grid * kPadding, 0.0);
    std::size_t j = 0;
    double mean = 0;
    for (std::size_t i = 0; i < grid; ++i) {
        const double t = first + static_cast<double>(i) * step;
        while (j + 2 < points.size() && points[j + 1].t < t)
            ++j;
        const Point& a = points[j];
        const Point& b = points[std::min(j + 1, points.size() - 1)];
        const double w = b.t > a.t ? std::clamp((t - a.t) / (b.t - a.t), 0.0, 1.0) : 0.0;
        even[i] = a.y + w * (b.y - a.y);
        mean += even[i];
    }
    mean /= static_cast<double>(grid);
    for (std::size_t i = 0; i < grid; ++i)
        even[i] -= mean;

    Eigen::FFT<double> fft;
    std::vector<std::complex<double>> spectrum;
    fft.fwd(spectrum, even);
    const std::size_t half = even.size() / 2;
    std::size_t peak = 1;
    for (std::size_t k = 2; k < half; ++k) {
        if (std::norm(spectrum[k]) > std::norm(spectrum[peak]))
            peak = k;
    }
    const double binWidth = 1 / (step * static_cast<double>(even.size()));

    std::optional<SinePart> best;
    double bestFrequency = 0;
    constexpr int kTrials = 20;
    for (int i = -kTrials; i <= kTrials; ++i) {
        const double f = (static_cast<double>(peak) + static_cast<double>(i) / kTrials) * binWidth;
        if (f <= 0)
            continue;
        const auto part = solveSine(points, origin, f);
        if (part && (!best || part->sumSquares < best->sumSquares)) {
            best = part;
            bestFrequency = f;
        }
    }
    if (!best)
        return std::nullopt;
    Vector start(4);
    start << best->a, bestFrequency, best->phase, best->c;
    return start;
}

// ---- Uncertainties ------------------------------------------------------------------

// The covariance of the minimised parameters: σ²·(JᵀJ)⁻¹ with the residual
// variance σ² = SSE/(n − p). NaN throughout when JᵀJ is singular.
Eigen::MatrixXd covarianceOf(const Eigen::MatrixXd& jacobian, double sumSquares) {
    const Eigen::Index p = jacobian.cols();
    const double variance = sumSquares / static_cast<double>(jacobian.rows() - p);
    const Eigen::MatrixXd normal = jacobian.transpose() * jacobian;
    const Eigen::FullPivLU<Eigen::MatrixXd> lu(normal);
    if (!lu.isInvertible())
        return Eigen::MatrixXd::Constant(p, p, std::nan(""));
    return variance * lu.inverse();
}

template <typename Model>
Eigen::MatrixXd jacobianOf(std::span<const Point> points, double start, const Vector& x) {
    Eigen::MatrixXd jacobian(static_cast<Eigen::Index>(points.size()), Model::kParameters);
    for (std::size_t i = 0; i < points.size(); ++i)
        Model::gradient(x, points[i].t - start, jacobian.row(static_cast<Eigen::Index>(i)));
    return jacobian;
}

// The rows of the kind's description for time counted from `origin`, and
// their derivatives by the minimised parameters (one row each).
struct Reported {
    std::vector<double> values;
    Eigen::MatrixXd derivatives;
};

Reported reported(FitKind kind, const Vector& x, double start, double origin) {
    Reported r;
    switch (kind) {
    case FitKind::Line: { // b moves along the line to t0
        const double d = origin - start;
        r.values = {x[0], x[1] + x[0] * d};
        r.derivatives.resize(2, 2);
        r.derivatives << 1, 0, d, 1;
        break;
    }
    case FitKind::Exponential: { // A·e^(−k·(t − start)) = A·e^(k·(start − t0))·e^(−k·(t − t0))
        const double d = start - origin;
        const double e = std::exp(x[1] * d);
        const double k2 = x[1] * x[1];
        r.values = {x[0] * e, 1 / x[1], std::numbers::ln2 / x[1], x[2]};
        r.derivatives.resize(4, 3);
        r.derivatives << e, x[0] * d * e, 0, //
            0, -1 / k2, 0,                   //
            0, -std::numbers::ln2 / k2, 0,   //
            0, 0, 1;
        break;
    }
    case FitKind::Sine: { // the phase moves by 2π·f·(t0 − start)
        const double d = origin - start;
        double phase = std::remainder(x[2] + kTwoPi * x[1] * d, kTwoPi);
        if (phase <= -std::numbers::pi)
            phase += kTwoPi;
        r.values = {x[0], 1 / x[1], x[1], phase, x[3]};
        r.derivatives.resize(5, 4);
        r.derivatives << 1, 0, 0, 0,     //
            0, -1 / (x[1] * x[1]), 0, 0, //
            0, 1, 0, 0,                  //
            0, kTwoPi * d, 1, 0,         //
            0, 0, 0, 1;
        break;
    }
    }
    return r;
}

// ---- The fits ---------------------------------------------------------------------------

double totalSquares(std::span<const Point> points) {
    double mean = 0;
    for (const Point& p : points)
        mean += p.y;
    mean /= static_cast<double>(points.size());
    double sum = 0;
    for (const Point& p : points)
        sum += (p.y - mean) * (p.y - mean);
    return sum;
}

QString tooFarBefore(double origin) {
    return QStringLiteral("Für t₀ = %1 s lassen sich die Parameter nicht angeben: der Anfang "
                          "liegt zu weit vor den Messwerten.")
        .arg(origin);
}

// The fit from the minimised parameters x (time from the first point) and
// their Jacobian there.
Outcome<Fit> finished(FitKind kind, std::span<const Point> points, double origin, const Vector& x,
                      const Eigen::MatrixXd& jacobian) {
    Fit fit;
    fit.kind = kind;
    fit.origin = origin;
    fit.n = static_cast<int>(points.size());
    fit.start = points.front().t;
    fit.span = timeSpan(points);
    for (Eigen::Index i = 0; i < x.size(); ++i)
        fit.curve[static_cast<std::size_t>(i)] = x[i];
    const double residual = sumOfSquares(fit, points);
    if (!std::isfinite(residual))
        return Outcome<Fit>::failure(kNoConvergence);
    const double total = totalSquares(points);
    fit.rSquared = total > 0 ? 1 - residual / total : 1;

    const Reported rows = reported(kind, x, fit.start, origin);
    for (double value : rows.values) {
        if (!std::isfinite(value))
            return Outcome<Fit>::failure(tooFarBefore(origin));
    }
    // σ of each row from g·C·gᵀ, with g its derivatives; g is scaled to a
    // largest entry of 1 first, so that A far from the data (e^(k·d)) does
    // not overflow in the square.
    const Eigen::MatrixXd covariance = covarianceOf(jacobian, residual);
    fit.values = rows.values;
    for (Eigen::Index i = 0; i < rows.derivatives.rows(); ++i) {
        const Eigen::RowVectorXd g = rows.derivatives.row(i);
        const double scale = g.cwiseAbs().maxCoeff();
        const Eigen::RowVectorXd unit = g / scale;
        const double variance = (unit * covariance * unit.transpose())(0, 0);
        // NaN (JᵀJ singular) or below 0 (rounding in a nearly singular
        // inverse): the uncertainty is unknown, not 0. std::max(0.0, NaN)
        // would have made it 0.
        fit.uncertainties.push_back(variance >= 0 ? scale * std::sqrt(variance) : std::nan(""));
    }
    return {fit, {}};
}

struct LineModel {
    static constexpr int kParameters = 2;
    template <typename Row> static void gradient(const Vector&, double s, Row&& g) {
        g(0) = s;
        g(1) = 1;
    }
};

Outcome<Fit> fitLine(std::span<const Point> points, double origin) {
    const double start = points.front().t;
    const auto part = solveLinear(points, start, [](double s) { return s; });
    if (!part)
        return Outcome<Fit>::failure(kNoTimeSpan);
    Vector x(2);
    x << part->a, part->c;
    return finished(FitKind::Line, points, origin, x, jacobianOf<LineModel>(points, start, x));
}

Outcome<Fit> fitExponential(std::span<const Point> points, double origin) {
    if (isFlat(points))
        return Outcome<Fit>::failure(kFlatExponential);
    const double start = points.front().t;
    const std::optional<Vector> begin = exponentialStart(points, start);
    const std::optional<Vector> x =
        begin ? minimise<ExponentialModel>(points, start, *begin) : std::nullopt;
    if (!x || (*x)[1] == 0)
        return Outcome<Fit>::failure(kNoConvergence);
    if (std::fabs(1 / (*x)[1]) > kLongestTau * timeSpan(points))
        return Outcome<Fit>::failure(kStraight);
    return finished(FitKind::Exponential, points, origin, *x,
                    jacobianOf<ExponentialModel>(points, start, *x));
}

Outcome<Fit> fitSine(std::span<const Point> points, double origin) {
    if (isFlat(points))
        return Outcome<Fit>::failure(kFlatSine);
    const double start = points.front().t;
    const std::optional<Vector> begin = sineStart(points, start);
    std::optional<Vector> x = begin ? minimise<SineModel>(points, start, *begin) : std::nullopt;
    if (!x || (*x)[0] == 0 || (*x)[1] == 0)
        return Outcome<Fit>::failure(kNoConvergence);
    Vector& v = *x;
    if (v[1] < 0) { // A·sin(−x + φ) = −A·sin(x − φ)
        v[1] = -v[1];
        v[2] = -v[2];
        v[0] = -v[0];
    }
    if (v[0] < 0) {
        v[0] = -v[0];
        v[2] += std::numbers::pi;
    }
    if (1 / v[1] > kLongestPeriod * timeSpan(points))
        return Outcome<Fit>::failure(kTooSlow);
    v[2] = std::remainder(v[2], kTwoPi);
    return finished(FitKind::Sine, points, origin, v, jacobianOf<SineModel>(points, start, v));
}

} // namespace

double Fit::valueAt(double t) const {
    const double s = t - start;
    const auto& x = curve;
    switch (kind) {
    case FitKind::Line:
        return x[0] * s + x[1];
    case FitKind::Exponential:
        return x[0] * std::exp(-x[1] * s) + x[2];
    case FitKind::Sine:
        return x[0] * std::sin(kTwoPi * x[1] * s + x[2]) + x[3];
    }
    return 0;
}

bool Fit::uncertaintyUnknown() const {
    return std::any_of(uncertainties.begin(), uncertainties.end(),
                       [](double u) { return std::isnan(u); });
}

bool Fit::doubtful() const {
    constexpr double kLeastRSquared = 0.9;
    // τ this many range lengths away: the curve is a line over the range.
    constexpr double kFarTau = 10;
    const bool farTau =
        kind == FitKind::Exponential && curve[1] != 0 && std::fabs(1 / curve[1]) > kFarTau * span;
    return rSquared < kLeastRSquared || n < 2 * describe(kind).freeParameters ||
           uncertaintyUnknown() || farTau;
}

double sumOfSquares(const Fit& fit, std::span<const Point> points) {
    double sum = 0;
    for (const Point& p : points) {
        const double d = fit.valueAt(p.t) - p.y;
        sum += d * d;
    }
    return sum;
}

Outcome<Statistics> statistics(std::span<const Point> points) {
    constexpr int kNeeded = 2; // the standard deviation needs a second value
    if (points.size() < kNeeded)
        return Outcome<Statistics>::failure(tooFew(points.size(), kNeeded));
    Statistics s;
    s.n = static_cast<int>(points.size());
    s.tFrom = points.front().t;
    s.tTo = points.back().t;
    s.min = s.max = points.front().y;
    double sum = 0;
    for (const Point& p : points) {
        s.min = std::min(s.min, p.y);
        s.max = std::max(s.max, p.y);
        sum += p.y;
    }
    s.mean = sum / s.n;
    s.std = std::sqrt(totalSquares(points) / (s.n - 1));
    return {s, {}};
}

Outcome<Fit> fitCurve(FitKind kind, std::span<const Point> points, double origin) {
    prepareVectorUnit();
    const int needed = describe(kind).minimumPoints();
    if (points.size() < static_cast<std::size_t>(needed))
        return Outcome<Fit>::failure(tooFew(points.size(), needed));
    if (timeSpan(points) <= 0)
        return Outcome<Fit>::failure(kNoTimeSpan);
    switch (kind) {
    case FitKind::Line:
        return fitLine(points, origin);
    case FitKind::Exponential:
        return fitExponential(points, origin);
    case FitKind::Sine:
        return fitSine(points, origin);
    }
    return Outcome<Fit>::failure(kNoConvergence);
}

} // namespace zentor::analysis
