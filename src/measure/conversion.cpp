#include "conversion.h"

#include "number_format.h"

#include <cmath>

namespace zentor {

Reading ConvertReading(int channel, int raw) {
    // Through double: the absolute value of INT_MIN does not fit an int.
    const double r = std::fabs(static_cast<double>(raw));
    Reading reading{r, QStringLiteral("Fehler.")};
    if (channel == kChannelVoltage) {
        reading.value = r / kAnalogFullScaleRaw * kAnalogFullScaleVolts;
        reading.text = fixedText(reading.value) + QStringLiteral(" Volt");
    } else if (channel == kChannelTemperature) {
        reading.value = r > 1 ? 0.7 : 0.3;
        reading.text = fixedText(reading.value, 0);
    }
    return reading;
}

} // namespace zentor
