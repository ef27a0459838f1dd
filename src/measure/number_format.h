// Numbers in user texts, in the user's locale (QLocale()), never with group
// separators.
#pragma once

#include <QString>

namespace zentor {

// Fixed point with exactly `decimals` decimals ("%f" is decimals = 2,
// "%1.0f" is decimals = 0). Rounds half away from zero on the value's
// 15-digit decimal form, so 1.005 gives "1,01" under German and a value
// that rounds to zero never shows a minus sign.
QString fixedText(double value, int decimals = 2);

// The shortest decimal form with at most 15 significant digits: 7.5 gives
// "7,5", 0.0625 "0,0625", 86400 "86400". Fixed point from 1e-5 up to below
// 1e15, exponent form outside.
QString shortForm(double value);

} // namespace zentor
