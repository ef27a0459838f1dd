// The round trip from a memory image through the disassembler and back
// through the compiler, checked on any image.
//
// What holds for every image: the listing compiles without error, and the
// compiled bytes are the decoded part of the image, except that a jump whose
// target could not carry a label now goes to address 0 (its line names
// label 0). For an image the compiler could have produced, with every jump
// target labelled, that is the image itself.
#pragma once

#include "fuzz_support.h"

#include "compiler.h"
#include "disassembler.h"
#include "instruction_table.h"

#include <QByteArray>

namespace fuzz {

inline void checkRoundTrip(const QByteArray& image) {
    const zentor::Disassembly d = zentor::disassemble(image);

    // The decoded instructions are the image from address 0 on.
    const QByteArray decoded = zentor::codeListBytes(d.codeLines);
    QByteArray padded = image.left(zentor::kMemoryCells);
    padded.append(QByteArray(zentor::kMemoryCells - padded.size(), '\0'));
    FUZZ_CHECK(decoded == padded.left(decoded.size()));
    FUZZ_CHECK(decoded.size() <= zentor::kProgramCapacity + 1);

    // One label line per labelled target, at most fifteen, and the listing
    // holds the instruction lines and the label lines only.
    FUZZ_CHECK(d.labelLines.size() <= 15);
    FUZZ_CHECK(d.listing.size() == d.codeLines.size() + d.labelLines.size());
    for (qsizetype k = 1; k < d.unresolvedTargets.size(); ++k)
        FUZZ_CHECK(d.unresolvedTargets[k - 1] < d.unresolvedTargets[k]);

    // What the compiler must give back.
    QByteArray expected;
    for (const QString& line : d.codeLines) {
        const int code = line.mid(4, 2).toInt(nullptr, 16);
        expected.append(static_cast<char>(code));
        if (line.size() == 10) {
            int operand = line.mid(8, 2).toInt(nullptr, 16);
            if (zentor::isJumpCode(code) && d.unresolvedTargets.contains(operand))
                operand = 0;
            expected.append(static_cast<char>(operand));
        }
    }

    const zentor::CompileResult compiled = zentor::compileListing(d.listing);
    FUZZ_CHECK(compiled.ok);
    FUZZ_CHECK(compiled.size == expected.size());
    FUZZ_CHECK(zentor::codeListBytes(compiled.codeLines) == expected);
}

} // namespace fuzz
