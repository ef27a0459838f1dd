// The measurement-file reader on any file content, and the way back: a file
// it accepts, written again, reads as the same measurement.
#include "fuzz_support.h"

#include "measurement_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zentor::MeasurementReadResult read =
        zentor::readMeasurementFile(fuzz::bytesOf(data, size));
    if (!read.ok) {
        FUZZ_CHECK(!read.error.isEmpty()); // a refusal always says why
        return 0;
    }
    const QByteArray written = zentor::measurementFileBytes(read.measurement);
    const zentor::MeasurementReadResult again = zentor::readMeasurementFile(written);
    FUZZ_CHECK(again.ok);
    FUZZ_CHECK(zentor::measurementFileBytes(again.measurement) == written);
    return 0;
}
