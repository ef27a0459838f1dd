// The palettes of the "Programm" page: the entries a learner inserts into
// the listing, in the groups the page shows them in. The handbook's command
// table is checked against them.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace zentor {

inline const QStringList kArithmeticPalette{
    "A = A + 1",   "A = A - 1",  "A = A + B",   "A = A - B",   "A = A * B", "A = A / B",
    "A = A And B", "A = A Or B", "A = A Shl 1", "A = A Shr 1", "A = Not A"};
inline const QStringList kAssignmentPalette{"B = A", "A = B", "C = A",    "A = C",
                                            "D = A", "A = D", "A = [B+]", "[B+] = A"};
// "Print A" and "Input A" are in no palette: they come from program files.
inline const QStringList kInputOutputPalette{"A = Uin",   "A = Din",     "A = Portin",
                                             "Pdir = A",  "Delay = A",   "Portout = A",
                                             "PWM = A",   "Beep"};
// Jump entries take the chosen jump target as their operand.
inline const QStringList kJumpPalette{
    "Goto ", "Gosub ", "If A = B Goto ", "If A > B Goto ", "If A < B Goto ", "C*Goto ", "D*Goto "};
inline const QStringList kReturnEndPalette{"Return", "End"};
inline const QStringList kCommentPalette{"Rem"};

// The rows of the constants palette, each with the number field beside it.
struct ConstantRow {
    const char* prefix;
    const char* field;
    const char* initial;
};
inline constexpr std::array<ConstantRow, 10> kConstantRows{{
    {"A = ", "EditA", "1"},
    {"B = ", "EditB", "2"},
    {"C = ", "EditC", "4"},
    {"D = ", "EditD", "8"},
    {"Delay = ", "EditDelay", "250"},
    {"PWM = ", "EditPWM", "255"},
    {"Pdir = ", "EditPdir", "63"},
    {"Portout = ", "EditPort", "0"},
    {"A = A And ", "EditAnd", "1"},
    {"A = A Or ", "EditOr", "1"},
}};

// A group of the page with the instruction entries of its palettes (the
// jump entries, the constant rows without a number).
struct PaletteGroup {
    QString caption;
    QStringList entries;
};
inline QList<PaletteGroup> paletteGroups() {
    QStringList constants;
    for (const ConstantRow& row : kConstantRows)
        constants << QString::fromLatin1(row.prefix);
    return {{QStringLiteral("Rechenbefehle"), kArithmeticPalette},
            {QStringLiteral("Inhalte zuweisen"), kAssignmentPalette},
            {QStringLiteral("Ein-/Ausgaben"), kInputOutputPalette},
            {QStringLiteral("Konstanten zuweisen"), constants},
            {QStringLiteral("Sprungbefehle"), kJumpPalette + kReturnEndPalette}};
}

} // namespace zentor
