// The compiler on any listing (the input split into lines). Checks the form
// of the result and, for a program that fits the board, the round trip of
// its bytes through the disassembler and the compiler.
#include "round_trip.h"

#include "compiler.h"
#include "instruction_table.h"

#include <QRegularExpression>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QStringList lines = fuzz::linesOf(data, size);
    const zentor::CompileResult result = zentor::compileListing(lines);

    static const QRegularExpression codeLineForm(
        QStringLiteral("^[0-9A-F]{2}  [0-9A-F]{2}(  [0-9A-F]{2})?$"));
    for (const QString& line : result.codeLines)
        FUZZ_CHECK(codeLineForm.match(line).hasMatch());

    // Every code line stands for one or two program bytes, so the bytes
    // always add up to the size, also for the partial list of a failure.
    const QByteArray bytes = zentor::codeListBytes(result.codeLines);
    FUZZ_CHECK(bytes.size() == result.size);

    if (!result.ok) {
        FUZZ_CHECK(result.errorRow >= 0 && result.errorRow < lines.size());
        FUZZ_CHECK(!result.errorMessage.isEmpty());
        FUZZ_CHECK(result.statusText.isEmpty());
        return 0;
    }
    FUZZ_CHECK(result.errorRow == -1);
    FUZZ_CHECK(result.errorMessage.isEmpty());
    if (result.size > zentor::kProgramCapacity) {
        FUZZ_CHECK(result.statusText == QStringLiteral(" Programm zu lang."));
        return 0;
    }
    FUZZ_CHECK(result.statusText == QString::number(zentor::kProgramCapacity - result.size) +
                                        QStringLiteral(" Bytes frei."));

    // A program that fits is what gets sent to the board. Reading it back
    // decodes the compiler's own code lines, as far as it decodes, and the
    // listing it gives must compile again.
    const zentor::Disassembly d = zentor::disassemble(bytes);
    FUZZ_CHECK(d.codeLines == result.codeLines.mid(0, d.codeLines.size()));
    fuzz::checkRoundTrip(bytes);
    return 0;
}
