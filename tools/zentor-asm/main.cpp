// zentor-asm: the board language on the command line.
//
//   zentor-asm compile FILE...     code list and status text of program files
//   zentor-asm check FILE...       lines the board skips or cannot take
//   zentor-asm disasm BYTE...      listing a read-back of that memory gives
//   zentor-asm disasm --file FILE  the same, bytes as hexadecimal text
//   zentor-asm disasm --binary FILE  the same, raw memory image
//   zentor-asm --help | --version
//
// Exit status of compile: 0 done, 1 a program does not compile, 2 wrong use,
// an unreadable file or a program too long for the board; with several files
// the highest of theirs. Of check: 0 no finding, 1 a finding in any file,
// 2 wrong use or an unreadable file.
#include "compiler.h"
#include "disassembler.h"
#include "instruction_table.h"
#include "listing_check.h"
#include "program_file.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

constexpr int kExitCompileError = 1;
constexpr int kExitUsage = 2;
// A program that compiles but does not fit the board's memory cannot be sent.
constexpr int kExitTooLong = 2;

const char* const kUsage =
    "Aufruf: zentor-asm compile DATEI...\n"
    "        zentor-asm check DATEI...\n"
    "        zentor-asm disasm BYTE...\n"
    "        zentor-asm disasm --file DATEI\n"
    "        zentor-asm disasm --binary DATEI\n"
    "        zentor-asm --help | --version\n"
    "\n"
    "compile  gibt die Codeliste eines Programms aus (eine Codezeile je Zeile), dann\n"
    "         den Statustext; bei einem Fehler DATEI:ZEILE: und die Meldung mit dem\n"
    "         Status 1; ein Programm, das zu lang für die Platine ist, endet mit 2.\n"
    "         Mehrere DATEIen nacheinander, jede mit der Zeile ==> DATEI <== davor.\n"
    "check    prüft Programme: je Fund eine Zeile DATEI:ZEILE: Grund (Zeilen, die\n"
    "         die Platine überspringt, fehlende Sprungziele, Zahlen außerhalb von\n"
    "         0 bis 255, zu lange Programme); Status 1, wenn eine Datei einen Fund\n"
    "         hat, sonst 0.\n"
    "disasm   gibt das Listing aus, das ein Zurücklesen eines Platinenspeichers mit\n"
    "         diesen Bytes ergibt. BYTEs sind hexadezimal (\"66 5A 50 00 58\",\n"
    "         \"665A500058\", \"0x66,$5A\"); --file liest sie aus einer Textdatei,\n"
    "         --binary nimmt die Bytes der Datei als Speicherabbild. Höchstens 128 Bytes;\n"
    "         fehlende Zellen sind 0.\n"
    "DATEI darf - für die Standardeingabe sein.\n";

void printLine(FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
}

int usageError(const QString& message) {
    if (!message.isEmpty())
        printLine(stderr, QStringLiteral("zentor-asm: ") + message);
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

std::optional<QByteArray> readInput(const QString& path) {
    if (path == QStringLiteral("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return std::nullopt;
        return in.readAll();
    }
    return zentor::readFileBytes(path);
}

// Hexadecimal bytes from text: tokens separated by blanks, commas or line
// ends; each token an optional "0x" or "$" and one or two digits, or an even
// number of digits read in pairs. Text after "#" on a line is a comment.
std::optional<QByteArray> parseHexBytes(const QString& text, QString& error) {
    QByteArray bytes;
    static const QRegularExpression comment(QStringLiteral("#[^\n]*"));
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    QString cleaned = text;
    cleaned.remove(comment);
    for (const QString& written : cleaned.split(separators, Qt::SkipEmptyParts)) {
        QStringView token(written);
        if (token.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
            token = token.mid(2);
        else if (token.startsWith(u'$'))
            token = token.mid(1);
        // A prefix alone ("0x", "$") is no byte either.
        if (token.isEmpty() || (token.size() > 2 && token.size() % 2 != 0)) {
            error = QStringLiteral("'%1' is no hexadecimal byte").arg(written);
            return std::nullopt;
        }
        for (qsizetype k = 0; k < token.size(); k += 2) {
            bool ok = false;
            const QStringView digits = token.mid(k, 2);
            const int value = digits.toInt(&ok, 16);
            if (!ok || digits.startsWith(u'-') || digits.startsWith(u'+')) {
                error = QStringLiteral("'%1' is no hexadecimal byte").arg(written);
                return std::nullopt;
            }
            bytes.append(static_cast<char>(value));
        }
    }
    return bytes;
}

// The file as messages name it.
QString shownName(const QString& path) {
    return path == QStringLiteral("-") ? QStringLiteral("<stdin>") : path;
}

int compileOne(const QString& path) {
    const std::optional<QByteArray> bytes = readInput(path);
    if (!bytes) {
        printLine(stderr, QStringLiteral("zentor-asm: cannot read ") + path);
        return kExitUsage;
    }
    const zentor::CompileResult result = zentor::compileListing(zentor::programFileLines(*bytes));
    // Messages name the file as given and the line, as compilers do.
    const QString file = shownName(path);
    if (!result.ok) {
        printLine(stderr, QStringLiteral("%1:%2: %3")
                              .arg(file)
                              .arg(result.errorRow + 1)
                              .arg(result.errorMessage));
        return kExitCompileError;
    }
    for (const QString& line : result.codeLines)
        printLine(stdout, line);
    printLine(stdout, result.statusText);
    if (result.size > zentor::kProgramCapacity) {
        // The status text " Programm zu lang." brings its own blank.
        printLine(stderr, file + u':' + result.statusText);
        return kExitTooLong;
    }
    return 0;
}

int runCompile(const QStringList& args) {
    if (args.isEmpty())
        return usageError(QStringLiteral("compile needs a FILE"));
    int status = 0;
    for (qsizetype k = 0; k < args.size(); ++k) {
        // One file prints exactly its code list and status; several are told
        // apart as head(1) does.
        if (args.size() > 1) {
            if (k > 0)
                std::fputs("\n", stdout);
            printLine(stdout, QStringLiteral("==> %1 <==").arg(shownName(args[k])));
        }
        std::fflush(stdout);
        status = std::max(status, compileOne(args[k]));
        std::fflush(stderr);
    }
    return status;
}

int runCheck(const QStringList& args) {
    if (args.isEmpty())
        return usageError(QStringLiteral("check needs a FILE"));
    bool found = false;
    bool unreadable = false;
    for (const QString& path : args) {
        const std::optional<QByteArray> bytes = readInput(path);
        if (!bytes) {
            printLine(stderr, QStringLiteral("zentor-asm: cannot read ") + path);
            unreadable = true;
            continue;
        }
        for (const zentor::ListingFinding& finding :
             zentor::checkListing(zentor::programFileLines(*bytes))) {
            printLine(stdout, QStringLiteral("%1:%2: %3")
                                  .arg(shownName(path))
                                  .arg(finding.row + 1)
                                  .arg(finding.reason));
            found = true;
        }
    }
    if (unreadable)
        return kExitUsage;
    return found ? kExitCompileError : 0;
}

int runDisasm(const QStringList& args) {
    QByteArray image;
    QString error;
    if (!args.isEmpty() &&
        (args[0] == QStringLiteral("--file") || args[0] == QStringLiteral("--binary"))) {
        if (args.size() != 2)
            return usageError(args[0] + QStringLiteral(" takes one FILE"));
        const std::optional<QByteArray> bytes = readInput(args[1]);
        if (!bytes)
            return usageError(QStringLiteral("cannot read ") + args[1]);
        if (args[0] == QStringLiteral("--binary")) {
            image = *bytes;
        } else {
            const std::optional<QByteArray> parsed =
                parseHexBytes(QString::fromUtf8(*bytes), error);
            if (!parsed)
                return usageError(error);
            image = *parsed;
        }
    } else {
        const std::optional<QByteArray> parsed = parseHexBytes(args.join(u' '), error);
        if (!parsed)
            return usageError(error);
        // No argument, or only separators: there is nothing to decode.
        if (parsed->isEmpty())
            return usageError(QStringLiteral("disasm needs the memory bytes"));
        image = *parsed;
    }
    if (image.size() > zentor::kMemoryCells)
        return usageError(QStringLiteral("the board memory has only %1 cells, got %2 bytes")
                              .arg(zentor::kMemoryCells)
                              .arg(image.size()));
    for (const QString& line : zentor::disassemble(image).listing)
        printLine(stdout, line);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int k = 1; k < argc; ++k)
        args.append(QString::fromLocal8Bit(argv[k]));
    if (args.isEmpty())
        return usageError(QString());
    const QString command = args.takeFirst();
    if (command == QStringLiteral("-h") || command == QStringLiteral("--help")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == QStringLiteral("--version")) {
        std::puts("zentor-asm " ZENTOR_VERSION);
        return 0;
    }
    if (command == QStringLiteral("compile"))
        return runCompile(args);
    if (command == QStringLiteral("check"))
        return runCheck(args);
    if (command == QStringLiteral("disasm"))
        return runDisasm(args);
    return usageError(QStringLiteral("unknown command '%1'").arg(command));
}
