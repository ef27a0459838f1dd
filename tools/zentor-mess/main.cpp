// zentor-mess: measurement files (*.zmess) on the command line.
//
//   zentor-mess info FILE                             page, settings, number of values
//   zentor-mess csv FILE                              the CSV file "Messwerte exportieren ..."
//   writes zentor-mess stats FILE [--von S] [--bis S]        statistics of the values zentor-mess
//   periode FILE [--von S] [--bis S]      period, frequency, peak-to-peak, mean, RMS zentor-mess
//   fit gerade|exp|sinus FILE [--von S] [--bis S]
//
// Results one a line, "name<TAB>value<TAB>unit", numbers with a decimal
// point. Exit status: 0 done, 1 the file cannot be read or evaluated (the
// message names it), 2 wrong use.
#include "atomic_file.h"
#include "curve_fit.h"
#include "measurement_csv.h"
#include "measurement_file.h"
#include "periodic.h"
#include "regular_file.h"
#include "report.h"
#include "results.h"
#include "series.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

using namespace zentor;
using namespace zentor::analysis;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

void printLine(FILE* stream, const QString& text) {
    print(stream, text + u'\n');
}

// The help, in the program's language whatever the locale.
QString helpText(const QList<QCommandLineOption>& options) {
    QString text = QStringLiteral(
        "Aufruf: zentor-mess BEFEHL [OPTIONEN] DATEI\n"
        "\n"
        "Wertet Zentor-Messungen (*.zmess, \"Messung speichern ...\") aus.\n"
        "\n"
        "Befehle:\n"
        "  info         Seite, Einstellungen und Zahl der Werte, je Zeile \"Name<TAB>Wert\".\n"
        "  csv          die CSV-Datei, die \"Messwerte exportieren ...\" schreibt.\n"
        "  stats        n t_von t_bis min max mittel std (Standardabweichung mit n - 1).\n"
        "  periode      T T_streu f ss mittel eff: Periode, Streuung der einzelnen Perioden,\n"
        "               Frequenz, Spitze-Spitze-Wert, Mittel- und Effektivwert (der Messwerte\n"
        "               in den vollen Perioden).\n"
        "  protokoll    das Messprotokoll als PDF (-o DATEI): Diagramm, Cursor --von und\n"
        "               --bis, Statistik, periodische Werte, mit --fit die Ausgleichskurve,\n"
        "               Angaben zur Messung und die Wertetabelle; --titel setzt die\n"
        "               Titelzeile (sonst Dateiname und Datum der Messung).\n"
        "  fit KURVE    die Ausgleichskurve zwischen --von und --bis:\n");
    for (const FitDescription& fit : kFits) {
        QStringList names;
        for (const FitParameter& row : fit.rows)
            names << row.name.toString();
        text += QStringLiteral("                 %1  %2  ->  %3 r2\n")
                    .arg(fit.command.toString().leftJustified(6), fit.formula.toString(),
                         names.join(u' '));
    }
    text += QStringLiteral(
        "               t₀ ist --von, sonst der Anfang der Messung. Nach jedem Parameter\n"
        "               folgt seine Standardunsicherheit als u_NAME (nan, wenn sie sich\n"
        "               nicht angeben lässt). Bei R² unter 0,9, zu wenigen Werten, einer\n"
        "               unbekannten Unsicherheit oder einem τ weit außerhalb des Bereichs\n"
        "               warnt eine Zeile auf der Fehlerausgabe.\n"
        "\n"
        "Optionen:\n");
    for (const QCommandLineOption& option : options) {
        QStringList names;
        for (const QString& name : option.names())
            names << (name.size() == 1 ? u'-' + name : QStringLiteral("--") + name);
        QString spelled = names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            spelled += u' ' + option.valueName();
        text += QStringLiteral("  %1 %2\n").arg(spelled.leftJustified(14), option.description());
    }
    text += QStringLiteral(
        "\n"
        "Ausgewertet werden die Werte mit von <= t <= bis (Sekunden; Komma oder Punkt;\n"
        "die Reihenfolge ist gleich), in der Einheit des Diagramms: Volt, wo es Volt\n"
        "zeigt, sonst der Rohwert (Einheit 1). Fehlgeschlagene Lesungen (-1) zählen nicht.\n"
        "Ausgabe je Zeile \"Name<TAB>Wert<TAB>Einheit\", Zahlen mit Dezimalpunkt.\n"
        "DATEI - liest die Standardeingabe; -- beendet die Optionen.\n"
        "\n"
        "Rückgabe: 0 fertig, 1 Datei unlesbar oder nicht auswertbar, 2 falscher Aufruf.\n");
    return text;
}

int usageError(const QString& message) {
    printLine(stderr, QStringLiteral("zentor-mess: ") + message);
    printLine(stderr, QStringLiteral("Hilfe: zentor-mess --help"));
    return kExitUsage;
}

int failed(const QString& file, const QString& message) {
    printLine(stderr, file + QStringLiteral(": ") + message);
    return kExitFailed;
}

// A number for scripts: nine significant digits, always with a decimal
// point (the process keeps the C locale for this).
QString machineNumber(double value) {
    if (value == 0)
        value = 0; // no "-0"
    char text[64];
    std::snprintf(text, sizeof text, "%#.9g", value);
    return QString::fromLatin1(text);
}

// Each row, a fitted parameter followed by "u_<name>" with its uncertainty.
void printRows(const std::vector<ResultRow>& rows) {
    for (const ResultRow& row : rows) {
        const QString value = row.name == u"n" ? QString::number(static_cast<long long>(row.value))
                                               : machineNumber(row.value);
        printLine(stdout, row.name + u'\t' + value + u'\t' + row.unit);
        if (row.hasUncertainty())
            printLine(stdout, QStringLiteral("u_") + row.name + u'\t' +
                                  machineNumber(row.uncertainty) + u'\t' + row.unit);
    }
}

std::optional<QByteArray> readInput(const QString& path, QString& error) {
    if (path == u"-") {
        // To its end, however many parts a pipe delivers it in; no further
        // than one byte past the limit.
        QByteArray bytes;
        char buffer[64 * 1024];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
            bytes.append(buffer, static_cast<qsizetype>(got));
            if (bytes.size() > kMeasurementFileLimit) {
                error = QStringLiteral("Die Eingabe ist größer als %1.")
                            .arg(QLocale::c().formattedDataSize(kMeasurementFileLimit, 0));
                return std::nullopt;
            }
        }
        if (std::ferror(stdin)) {
            error = QStringLiteral("Die Standardeingabe kann nicht gelesen werden.");
            return std::nullopt;
        }
        return bytes;
    }
    const FileRead file = readRegularFile(path, kMeasurementFileLimit);
    if (!file.bytes)
        error = file.refusal.isEmpty() ? QStringLiteral("Die Datei kann nicht gelesen werden.")
                                       : file.refusal;
    return file.bytes;
}

// The measurement in FILE, or the exit status after the message.
std::optional<Measurement> readMeasurement(const QString& path, int& status) {
    QString error;
    const std::optional<QByteArray> bytes = readInput(path, error);
    if (!bytes) {
        status = failed(path, error);
        return std::nullopt;
    }
    MeasurementReadResult read = readMeasurementFile(*bytes);
    if (!read.ok) {
        status = failed(path, read.error);
        return std::nullopt;
    }
    return std::move(read.measurement);
}

int runInfo(const Measurement& m) {
    for (const auto& [key, value] : measurementSettings(m))
        printLine(stdout, key + u'\t' + value);
    const qsizetype values = std::visit(
        [](const auto& data) -> qsizetype {
            if constexpr (std::is_same_v<std::decay_t<decltype(data)>, RecorderMeasurement>)
                return static_cast<qsizetype>(data.samples.size());
            else
                return static_cast<qsizetype>(data.values.size());
        },
        m.data);
    printLine(stdout, QStringLiteral("Werte\t%1").arg(values));
    return 0;
}

int runCsv(const Measurement& m) {
    const QByteArray bytes = measurementCsvBytes(m);
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    return 0;
}

struct Range {
    std::optional<double> from, to;
};

// What an evaluating command does with the points of the range: prints its
// rows and returns nothing, or returns why it cannot.
using Evaluation = std::function<QString(std::span<const Point>, double origin, bool volts)>;

int runOnPoints(const Measurement& m, const QString& path, const Range& range,
                const Evaluation& run) {
    const Outcome<Series> series = seriesOf(m);
    if (!series)
        return failed(path, series.error);
    const std::span<const Point> points =
        pointsBetween(*series.value, range.from.value_or(-HUGE_VAL), range.to.value_or(HUGE_VAL));
    // t0 is the start of the range as asked for, whichever bound it was given as.
    const double origin =
        range.from && range.to ? std::min(*range.from, *range.to) : range.from.value_or(0);
    const QString problem = run(points, origin, series.value->volts);
    return problem.isEmpty() ? 0 : failed(path, problem);
}

QString runStats(std::span<const Point> points, double, bool volts) {
    const Outcome<Statistics> s = statistics(points);
    if (!s)
        return s.error;
    printRows(statisticsRows(*s.value, volts));
    return {};
}

QString runPeriodic(std::span<const Point> points, double, bool volts) {
    const Outcome<Periodic> p = periodic(points);
    if (!p)
        return p.error;
    printRows(periodicRows(*p.value, volts));
    return {};
}

std::optional<double> seconds(const QString& text) {
    bool ok = false;
    const double value = QString(text).replace(u',', u'.').toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The fit a --fit value names; nullptr for none.
const FitDescription* fitNamed(const QString& name) {
    for (const FitDescription& fit : kFits) {
        if (fit.command == name)
            return &fit;
    }
    return nullptr;
}

struct ReportRequest {
    QString output;
    QString title;
    const FitDescription* fit = nullptr;
};

// "protokoll": the report of the measurement as a PDF file, written atomically.
int runReport(const Measurement& m, const QString& path, const Range& range,
              const ReportRequest& request) {
    const Outcome<Series> series = seriesOf(m);
    // A measurement that cannot be evaluated (the logger's bits) still gets
    // its report: facts and values, with the reason in place of the results.
    analysis::AnalysisSession session;
    if (series) {
        session = report::sessionOf(*series.value, report::timeUnitOf(m), range.from, range.to,
                                    request.fit ? std::optional(request.fit->kind) : std::nullopt);
    } else {
        session.setUnavailable(series.error);
    }
    QString title = request.title;
    if (title.isEmpty()) {
        const QDate day =
            m.takenAt.isValid() ? m.takenAt.toLocalTime().date() : QDate::currentDate();
        title = (path == u"-" ? QStringLiteral("Messung") : QFileInfo(path).completeBaseName()) +
                QStringLiteral(", ") + day.toString(QStringLiteral("dd.MM.yyyy"));
    }
    const QByteArray pdf = report::reportPdf(report::makeReport(m, session, title));
    if (pdf.isEmpty())
        return failed(request.output,
                      QStringLiteral("Das Protokoll kann nicht gezeichnet werden."));
    const SaveResult saved = writeFileAtomically(request.output, pdf);
    if (!saved)
        return failed(request.output, saved.reason);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Numbers for scripts always take a decimal point.
    std::setlocale(LC_NUMERIC, "C");
    QStringList args{QStringLiteral("zentor-mess")};
    for (int k = 1; k < argc; ++k)
        args.append(QString::fromLocal8Bit(argv[k]));

    QCommandLineParser parser;
    const QCommandLineOption from(QStringLiteral("von"),
                                  QStringLiteral("nur Werte ab S Sekunden; auch t₀ der Kurven"),
                                  QStringLiteral("S"));
    const QCommandLineOption to(QStringLiteral("bis"), QStringLiteral("nur Werte bis S Sekunden"),
                                QStringLiteral("S"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("diese Hilfe"));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("die Version des Programms"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("ausgabe")},
                                    QStringLiteral("protokoll: die PDF-Datei"),
                                    QStringLiteral("DATEI"));
    const QCommandLineOption fitOption(QStringLiteral("fit"),
                                       QStringLiteral("protokoll: gerade, exp oder sinus"),
                                       QStringLiteral("KURVE"));
    const QCommandLineOption titleOption(QStringLiteral("titel"),
                                         QStringLiteral("protokoll: die Titelzeile"),
                                         QStringLiteral("TEXT"));
    const QList<QCommandLineOption> options{from,        to,   output, fitOption,
                                            titleOption, help, version};
    parser.addOptions(options);
    if (!parser.parse(args)) {
        if (!parser.unknownOptionNames().isEmpty()) {
            const QString name = parser.unknownOptionNames().front();
            return usageError(
                QStringLiteral("unbekannte Option '%1'")
                    .arg(name.size() == 1 ? u'-' + name : QStringLiteral("--") + name));
        }
        // The only other fault: an option's value is missing at the end.
        return usageError(QStringLiteral("%1 braucht eine Zeit in Sekunden").arg(args.back()));
    }
    if (parser.isSet(help)) {
        print(stdout, helpText(options));
        return 0;
    }
    if (parser.isSet(version)) {
        printLine(stdout, QStringLiteral("zentor-mess " ZENTOR_VERSION));
        return 0;
    }

    Range range;
    for (const auto& [option, bound] : {std::pair{&from, &range.from}, std::pair{&to, &range.to}}) {
        if (!parser.isSet(*option))
            continue;
        const QString text = parser.values(*option).back();
        *bound = seconds(text);
        if (!*bound)
            return usageError(QStringLiteral("'%1' ist keine Zeit in Sekunden").arg(text));
    }

    QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return usageError(QStringLiteral("es fehlt der Befehl"));
    const QString command = words.takeFirst();
    Evaluation evaluation;
    if (command == u"stats") {
        evaluation = runStats;
    } else if (command == u"periode") {
        evaluation = runPeriodic;
    } else if (command == u"fit") {
        if (words.isEmpty())
            return usageError(QStringLiteral("fit braucht die Kurve: gerade, exp oder sinus"));
        const QString curve = words.takeFirst();
        const FitDescription* kind = nullptr;
        for (const FitDescription& fit : kFits) {
            if (fit.command == curve)
                kind = &fit;
        }
        if (kind == nullptr)
            return usageError(
                QStringLiteral("unbekannte Kurve '%1' (gerade, exp oder sinus)").arg(curve));
        evaluation = [kind, path = words.value(0)](std::span<const Point> points, double origin,
                                                   bool volts) {
            const Outcome<Fit> fit = fitCurve(kind->kind, points, origin);
            if (!fit)
                return fit.error;
            printRows(fitRows(*fit.value, volts));
            if (fit.value->doubtful())
                printLine(stderr, path + QStringLiteral(": ") + doubtfulFitWarning());
            return QString();
        };
    } else if (command != u"info" && command != u"csv" && command != u"protokoll") {
        return usageError(QStringLiteral("unbekannter Befehl '%1'").arg(command));
    }
    if (words.size() != 1)
        return usageError(QStringLiteral("%1 braucht genau eine DATEI").arg(command));
    const bool reporting = command == u"protokoll";
    if (!evaluation && !reporting && (range.from || range.to))
        return usageError(QStringLiteral("%1 kennt --von und --bis nicht").arg(command));
    ReportRequest request;
    for (const QCommandLineOption* option : {&output, &fitOption, &titleOption}) {
        if (parser.isSet(*option) && !reporting)
            return usageError(
                QStringLiteral("%1 kennt --%2 nicht").arg(command, option->names().constLast()));
    }
    if (reporting) {
        if (!parser.isSet(output))
            return usageError(QStringLiteral("protokoll braucht -o DATEI"));
        request.output = parser.values(output).constLast();
        request.title =
            parser.isSet(titleOption) ? parser.values(titleOption).constLast() : QString();
        if (parser.isSet(fitOption)) {
            const QString curve = parser.values(fitOption).constLast();
            request.fit = fitNamed(curve);
            if (request.fit == nullptr)
                return usageError(
                    QStringLiteral("unbekannte Kurve '%1' (gerade, exp oder sinus)").arg(curve));
        }
    }

    int status = 0;
    const std::optional<Measurement> m = readMeasurement(words[0], status);
    if (!m)
        return status;
    if (command == u"info")
        return runInfo(*m);
    if (command == u"csv")
        return runCsv(*m);
    if (reporting) {
        // Fonts and painting need a GUI application; no display is needed.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication application(argc, argv);
        return runReport(*m, words[0], range, request);
    }
    return runOnPoints(*m, words[0], range, evaluation);
}
