#include "number_format.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <string>

namespace zentor {

namespace {

constexpr int kSignificantDigits = 15;

QLocale userLocale() {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

// |value| as 15 significant digits and a decimal exponent:
// |value| = d0.d1d2...d14 × 10^exponent.
struct DecimalForm {
    std::string digits;
    int exponent = 0;
};

// The C library's printf and strtod follow the process's number locale (a
// decimal comma under German), so the decimal forms here go through
// to_chars and from_chars, which never do.
std::string scientific(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value,
                                      std::chars_format::scientific, kSignificantDigits - 1);
    return std::string(text, result.ptr);
}

double parsed(const std::string& text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

DecimalForm decimalForm(double value) {
    const std::string s = scientific(std::fabs(value));
    DecimalForm form;
    form.digits = s.substr(0, 1) + s.substr(2, kSignificantDigits - 1);
    const std::size_t e = s.find('e') + 1;
    const std::size_t from = s[e] == '+' ? e + 1 : e; // from_chars takes no '+'
    std::from_chars(s.data() + from, s.data() + s.size(), form.exponent);
    return form;
}

// The double nearest to value's 15-significant-digit decimal form.
double roundedTo15Digits(double value) { return parsed(scientific(value)); }

} // namespace

QString fixedText(double value, int decimals) {
    const QLocale locale = userLocale();
    if (!std::isfinite(value) || decimals < 0 || decimals > 6) {
        return locale.toString(value, 'f', decimals);
    }
    const DecimalForm form = decimalForm(value);
    // Digits of the 15-digit form that lie at or before the last decimal shown.
    const int keep = form.exponent + 1 + decimals;
    if (keep >= kSignificantDigits) {
        // Nothing to round away: the digits beyond 15 are zeros.
        return locale.toString(roundedTo15Digits(value), 'f', decimals);
    }
    // The value in units of 10^-decimals, rounded half away from zero. The
    // binary value is not used for the rounding: 1.005 is stored a hair below
    // 1.005, but users mean and expect 1.01.
    long long units = 0;
    if (keep > 0) {
        units = std::stoll(form.digits.substr(0, static_cast<std::size_t>(keep)));
    }
    if (keep >= 0 && form.digits[static_cast<std::size_t>(keep)] >= '5') {
        ++units;
    }
    long long scale = 1;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    const bool negative = value < 0 && units != 0;
    std::string exact = (negative ? "-" : "") + std::to_string(units / scale);
    if (decimals > 0) {
        std::string fraction = std::to_string(units % scale);
        fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
        exact += "." + fraction;
    }
    // The nearest double to the rounded decimal prints back as that decimal.
    return locale.toString(parsed(exact), 'f', decimals);
}

QString shortForm(double value) {
    const QLocale locale = userLocale();
    if (!std::isfinite(value)) {
        return locale.toString(value);
    }
    if (value == 0) {
        return locale.toString(0.0, 'f', QLocale::FloatingPointShortest);
    }
    const double rounded = roundedTo15Digits(value);
    const int exponent = decimalForm(rounded).exponent;
    const char format = (exponent >= -5 && exponent < kSignificantDigits) ? 'f' : 'e';
    return locale.toString(rounded, format, QLocale::FloatingPointShortest);
}

} // namespace zentor
