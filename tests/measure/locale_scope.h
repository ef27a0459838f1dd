// Sets the default QLocale for the lifetime of the object, so that a test can
// run its number texts under German and under English.
#pragma once

#include <QLocale>
#include <QString>

#include <ostream>

namespace zentor::test {

class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_previous); }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

private:
    QLocale m_previous;
};

inline QLocale german() {
    return QLocale(QLocale::German, QLocale::Germany);
}
inline QLocale english() {
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

// A number text written with a decimal comma, with the separator of locale.
inline QString withSeparatorOf(const QLocale& locale, QString text) {
    return text.replace(QLatin1Char(','), locale.decimalPoint());
}

} // namespace zentor::test

// Test parameters print as their locale name ("de_DE").
inline void PrintTo(const QLocale& locale, std::ostream* os) {
    *os << locale.name().toStdString();
}
