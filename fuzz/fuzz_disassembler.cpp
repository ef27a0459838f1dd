// The disassembler on any memory image of up to 128 cells (shorter inputs
// leave the remaining cells 0, longer ones are cut), and the round trip of
// its listing through the compiler.
#include "round_trip.h"

#include "disassembler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::checkRoundTrip(fuzz::bytesOf(data, size));
    return 0;
}
