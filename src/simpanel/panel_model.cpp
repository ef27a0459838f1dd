#include "panel_model.h"

#include "conversion.h"
#include "disassembler.h"
#include "instruction_table.h"

#include <QByteArray>
#include <QLatin1StringView>

namespace zentor::simpanel {

namespace {

QLatin1StringView latin1(std::string_view text) {
    return QLatin1StringView(text.data(), static_cast<qsizetype>(text.size()));
}

QString hex2(int value) {
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QChar(u'0')).toUpper();
}

bool isLabelLine(const QString& line) {
    return !line.startsWith(u'\t');
}

QString stopText(sim::StopReason reason) {
    using sim::StopReason;
    switch (reason) {
    case StopReason::None:
        break;
    case StopReason::End:
        return QStringLiteral("Programm mit End beendet");
    case StopReason::StoppedByPc:
        return QStringLiteral("Programm gestoppt");
    case StopReason::InvalidCode:
        return QStringLiteral("Programm abgebrochen: kein Befehl");
    case StopReason::StackOverflow:
        return QStringLiteral("Programm abgebrochen: Stapelüberlauf");
    case StopReason::StackUnderflow:
        return QStringLiteral("Programm abgebrochen: Return ohne Gosub");
    case StopReason::OutOfMemory:
        return QStringLiteral("Programm abgebrochen: Adresse außerhalb des Speichers");
    case StopReason::LoggerDone:
        return QStringLiteral("Messung beendet");
    }
    return {};
}

} // namespace

QString stateText(const sim::BoardSnapshot& s) {
    using sim::Activity;
    using sim::Mode;
    if (s.unplugged)
        return unpluggedText();
    const bool logger = s.activity == Activity::Logger;
    switch (s.mode) {
    case Mode::Command: {
        QString text = QStringLiteral("Befehlsmodus");
        if (const QString why = stopText(s.lastStop); !why.isEmpty())
            text += QStringLiteral(" (") + why + u')';
        if (s.paused)
            text += QStringLiteral(", hält beim nächsten Start an");
        return text;
    }
    case Mode::Interrupted:
        return logger ? QStringLiteral("Logger unterbrochen")
                      : QStringLiteral("Programm unterbrochen");
    case Mode::Running:
        if (s.paused)
            return logger ? QStringLiteral("Logger angehalten")
                          : QStringLiteral("Programm angehalten");
        if (logger)
            return QStringLiteral("Logger misst");
        if (s.waitingForInput)
            return QStringLiteral("Programm wartet auf ein Byte (Input A)");
        return QStringLiteral("Programm läuft");
    }
    return {};
}

QString noBoardText() {
    return QStringLiteral("Kein Simulator verbunden");
}

QString unpluggedText() {
    return QStringLiteral("Simulator getrennt");
}

QString decimalText(int value) {
    return QString::number(value);
}

QString hexText(int value) {
    return u'$' + hex2(value);
}

QString voltsText(int raw) {
    return ConvertReading(kChannelVoltage, raw).text;
}

ListingView listingView(const Memory& memory) {
    const QByteArray image(reinterpret_cast<const char*>(memory.data()),
                           static_cast<qsizetype>(memory.size()));
    ListingView view;
    view.listing = disassemble(image).listing;
    // The disassembler decodes from address 0 without gaps, so the
    // instruction rows follow one another in memory.
    int address = 0;
    for (const QString& line : view.listing) {
        if (isLabelLine(line)) {
            view.addresses.push_back(-1);
            continue;
        }
        view.addresses.push_back(address);
        const Instruction* instruction =
            address < kMemoryCells ? instructionForCode(memory[static_cast<std::size_t>(address)])
                                   : nullptr;
        address += instruction ? instructionLength(*instruction) : 1;
    }
    return view;
}

int rowOfAddress(const ListingView& view, int address) {
    if (address < 0)
        return -1;
    for (std::size_t row = 0; row < view.addresses.size(); ++row)
        if (view.addresses[row] == address)
            return static_cast<int>(row);
    return -1;
}

QString instructionText(const Memory& memory, const ListingView& view, int address) {
    if (address < 0 || address >= kMemoryCells)
        return QStringLiteral("außerhalb des Speichers");
    if (const int row = rowOfAddress(view, address); row >= 0)
        return view.listing[row].mid(1);
    const int code = memory[static_cast<std::size_t>(address)];
    const Instruction* instruction = instructionForCode(code);
    if (!instruction)
        return QStringLiteral("kein Befehl ($") + hex2(code) + u')';
    if (!hasOperand(*instruction))
        return latin1(instruction->pattern);
    // The operand of the last cell lies beyond memory; the board stops there.
    if (address + 1 >= kMemoryCells)
        return latin1(operandPrefix(*instruction)) + u'?';
    const int operand = memory[static_cast<std::size_t>(address + 1)];
    return latin1(operandPrefix(*instruction)) +
           (isJumpCode(code) ? hexText(operand) : decimalText(operand));
}

bool programActive(const sim::BoardSnapshot& s) {
    return !s.unplugged && s.mode != sim::Mode::Command && s.activity == sim::Activity::Program;
}

StepControls stepControls(const sim::BoardSnapshot& s) {
    StepControls c;
    if (s.unplugged)
        return c;
    c.pause = !s.paused;
    c.resume = s.paused;
    const bool programMayStep = s.activity == sim::Activity::Program && !s.waitingForInput;
    c.step = s.paused && s.mode == sim::Mode::Running &&
             (programMayStep || s.activity == sim::Activity::Logger);
    return c;
}

bool BeepWatcher::update(const void* board, int beeps) {
    const bool sameBoard = board == m_board && beeps >= m_beeps;
    const bool fresh = sameBoard && beeps > m_beeps;
    m_board = board;
    m_beeps = beeps;
    return fresh;
}

} // namespace zentor::simpanel
