#include "results.h"

#include <QLocale>

namespace zentor::analysis {

namespace {

constexpr int kDisplayDigits = 5;

QString slopeUnit(bool volts) {
    return volts ? QStringLiteral("V/s") : QStringLiteral("1/s");
}

} // namespace

std::vector<ResultRow> statisticsRows(const Statistics& s, bool volts) {
    const QString y = yUnit(volts);
    const QString seconds = QStringLiteral("s");
    return {
        {QStringLiteral("n"), QStringLiteral("Anzahl"), static_cast<double>(s.n),
         QStringLiteral("1")},
        {QStringLiteral("t_von"), QStringLiteral("von"), s.tFrom, seconds},
        {QStringLiteral("t_bis"), QStringLiteral("bis"), s.tTo, seconds},
        {QStringLiteral("min"), QStringLiteral("Minimum"), s.min, y},
        {QStringLiteral("max"), QStringLiteral("Maximum"), s.max, y},
        {QStringLiteral("mittel"), QStringLiteral("Mittelwert"), s.mean, y},
        {QStringLiteral("std"), QStringLiteral("Standardabweichung"), s.std, y},
    };
}

std::vector<ResultRow> fitRows(const Fit& fit, bool volts) {
    const QString y = yUnit(volts);
    const QString seconds = QStringLiteral("s");
    const ResultRow r2{QStringLiteral("r2"), QStringLiteral("R²"), fit.rSquared,
                       QStringLiteral("1")};
    if (const auto* line = std::get_if<LineCurve>(&fit.curve))
        return {{QStringLiteral("m"), QStringLiteral("Steigung m"), line->m, slopeUnit(volts)},
                {QStringLiteral("b"), QStringLiteral("b"), line->b, y},
                r2};
    if (const auto* e = std::get_if<ExponentialCurve>(&fit.curve))
        return {{QStringLiteral("A"), QStringLiteral("A"), e->a, y},
                {QStringLiteral("tau"), QStringLiteral("Zeitkonstante τ"), e->tau, seconds},
                {QStringLiteral("t_halb"), QStringLiteral("t½ = τ·ln 2"), e->halfLife(), seconds},
                {QStringLiteral("C"), QStringLiteral("C"), e->c, y},
                r2};
    const auto& sine = std::get<SineCurve>(fit.curve);
    return {
        {QStringLiteral("A"), QStringLiteral("Amplitude A"), sine.a, y},
        {QStringLiteral("T"), QStringLiteral("Periode T"), sine.period, seconds},
        {QStringLiteral("f"), QStringLiteral("Frequenz f"), sine.frequency(), QStringLiteral("Hz")},
        {QStringLiteral("phi"), QStringLiteral("Phase φ"), sine.phase, QStringLiteral("rad")},
        {QStringLiteral("C"), QStringLiteral("C"), sine.c, y},
        r2};
}

QString fitName(FitKind kind) {
    switch (kind) {
    case FitKind::Line:
        return QStringLiteral("Ausgleichsgerade");
    case FitKind::Exponential:
        return QStringLiteral("Exponentialfunktion");
    case FitKind::Sine:
        return QStringLiteral("Sinus");
    }
    return {};
}

QString fitFormula(FitKind kind) {
    switch (kind) {
    case FitKind::Line:
        return QStringLiteral("y = m·(t − t₀) + b");
    case FitKind::Exponential:
        return QStringLiteral("y = A·e^(−(t − t₀)/τ) + C");
    case FitKind::Sine:
        return QStringLiteral("y = A·sin(2π·(t − t₀)/T + φ) + C");
    }
    return {};
}

QString displayNumber(double value) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    if (value == 0)
        value = 0; // no "-0"
    return locale.toString(value, 'g', kDisplayDigits);
}

} // namespace zentor::analysis
