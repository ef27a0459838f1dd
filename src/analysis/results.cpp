#include "results.h"

#include <QLocale>

#include <algorithm>

namespace zentor::analysis {

namespace {

constexpr int kDisplayDigits = 5;
const QString kNoValue = QStringLiteral("—");

QLocale displayLocale() {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

QString fixed(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    value = std::round(value * scale) / scale;
    if (value == 0)
        value = 0; // no "-0"
    return displayLocale().toString(value, 'f', std::max(0, decimals));
}

} // namespace

QString unitOf(RowUnit unit, bool volts) {
    switch (unit) {
    case RowUnit::Y:
        return yUnit(volts);
    case RowUnit::Time:
        return QStringLiteral("s");
    case RowUnit::Slope:
        return volts ? QStringLiteral("V/s") : QStringLiteral("1/s");
    case RowUnit::Frequency:
        return QStringLiteral("Hz");
    case RowUnit::Angle:
        return QStringLiteral("rad");
    }
    return {};
}

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
    std::vector<ResultRow> rows;
    const std::span<const FitParameter> parameters = describe(fit.kind).rows;
    for (std::size_t i = 0; i < parameters.size() && i < fit.values.size(); ++i) {
        const FitParameter& p = parameters[i];
        const bool negated = fit.values[i] < 0 && !p.negativeName.isEmpty();
        rows.push_back({(negated ? p.negativeName : p.name).toString(),
                        (negated ? p.negativeLabel : p.label).toString(),
                        negated ? -fit.values[i] : fit.values[i], unitOf(p.unit, volts),
                        fit.uncertainties[i], true});
    }
    rows.push_back({QStringLiteral("r2"), QStringLiteral("R²"), fit.rSquared, QStringLiteral("1")});
    return rows;
}

std::vector<ResultRow> periodicRows(const Periodic& p, bool volts) {
    const QString y = yUnit(volts);
    return {
        {QStringLiteral("T"), QStringLiteral("Periode T"), p.period, QStringLiteral("s")},
        {QStringLiteral("T_streu"), QStringLiteral("Streuung von T"), p.periodSpread,
         QStringLiteral("s")},
        {QStringLiteral("f"), QStringLiteral("Frequenz f"), 1 / p.period, QStringLiteral("Hz")},
        {QStringLiteral("ss"), QStringLiteral("Spitze-Spitze"), p.peakToPeak, y},
        {QStringLiteral("mittel"), QStringLiteral("Mittelwert"), p.mean, y},
        {QStringLiteral("eff"), QStringLiteral("Effektivwert"), p.rms, y},
    };
}

std::vector<ResultRow> inTimeUnit(std::vector<ResultRow> rows, const TimeUnit& unit) {
    if (unit.name == u"s")
        return rows;
    for (ResultRow& row : rows) {
        double factor = 1;
        if (row.unit == u"s") {
            row.unit = unit.name;
            factor = unit.perSecond;
        } else if (row.unit.endsWith(u"/s")) {
            row.unit.chop(1);
            row.unit += unit.name;
            factor = 1 / unit.perSecond;
        }
        row.value *= factor;
        row.uncertainty *= factor;
    }
    return rows;
}

QString doubtfulFitWarning() {
    return QStringLiteral("Die Kurve passt schlecht zu den Messwerten.");
}

QString displayNumber(double value) {
    if (!std::isfinite(value))
        return kNoValue;
    if (value == 0)
        value = 0; // no "-0"
    return displayLocale().toString(value, 'g', kDisplayDigits);
}

ValueText displayValue(const ResultRow& row) {
    if (!row.hasUncertainty())
        return {displayNumber(row.value), {}};
    const double u = row.uncertainty;
    if (!std::isfinite(u) || !std::isfinite(row.value))
        return {displayNumber(row.value), kNoValue};
    if (u == 0)
        return {displayNumber(row.value), QStringLiteral("0")};
    const int exponent = static_cast<int>(std::floor(std::log10(u)));
    const int digits = u / std::pow(10.0, exponent) < 3 ? 2 : 1;
    // Far more decimals than the value can carry say nothing.
    const int decimals = std::min(digits - 1 - exponent, 15);
    return {fixed(row.value, decimals), fixed(u, decimals)};
}

} // namespace zentor::analysis
