// zentor-mess: measurement files (*.zmess) on the command line.
//
//   zentor-mess info FILE                          page, settings, number of values
//   zentor-mess csv FILE                           the CSV file "Messwerte exportieren ..." writes
//   zentor-mess stats FILE [--von S] [--bis S]     statistics of the values
//   zentor-mess fit gerade|exp|sinus FILE [--von S] [--bis S]
//
// Results one a line, "name<TAB>value<TAB>unit", numbers with a decimal
// point. Exit status: 0 done, 1 the file cannot be read or evaluated (the
// message names it), 2 wrong use.
#include "curve_fit.h"
#include "measurement_csv.h"
#include "measurement_file.h"
#include "program_file.h"
#include "results.h"
#include "series.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

using namespace zentor;
using namespace zentor::analysis;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "Aufruf: zentor-mess info DATEI\n"
    "        zentor-mess csv DATEI\n"
    "        zentor-mess stats DATEI [--von S] [--bis S]\n"
    "        zentor-mess fit gerade|exp|sinus DATEI [--von S] [--bis S]\n"
    "        zentor-mess --help | --version\n"
    "\n"
    "Wertet Zentor-Messungen (*.zmess, \"Messung speichern ...\") aus.\n"
    "\n"
    "info   Seite, Einstellungen und Zahl der Werte, je Zeile \"Name<TAB>Wert\".\n"
    "csv    die CSV-Datei, die \"Messwerte exportieren ...\" schreibt.\n"
    "stats  n t_von t_bis min max mittel std (Standardabweichung mit n - 1).\n"
    "fit    gerade: y = m*(t - t0) + b                    -> m b r2\n"
    "       exp:    y = A*exp(-(t - t0)/tau) + C          -> A tau t_halb C r2\n"
    "       sinus:  y = A*sin(2*pi*(t - t0)/T + phi) + C  -> A T f phi C r2\n"
    "       t0 ist --von, sonst der Anfang der Messung.\n"
    "\n"
    "Ausgewertet werden die Werte mit --von <= t <= --bis (Sekunden; Komma oder\n"
    "Punkt), in der Einheit des Diagramms: Volt, wo es Volt zeigt, sonst der\n"
    "Rohwert (Einheit 1). Fehlgeschlagene Lesungen (-1) zählen nicht.\n"
    "Ausgabe je Zeile \"Name<TAB>Wert<TAB>Einheit\", Zahlen mit Dezimalpunkt.\n"
    "DATEI - liest die Standardeingabe.\n"
    "\n"
    "Rückgabe: 0 fertig, 1 Datei unlesbar oder nicht auswertbar, 2 falscher Aufruf.\n";

void printLine(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
}

int usageError(const QString& message) {
    printLine(stderr, QStringLiteral("zentor-mess: ") + message);
    std::fputs(kUsage, stderr);
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

void printRows(const std::vector<ResultRow>& rows) {
    for (const ResultRow& row : rows) {
        const QString value = row.name == u"n" ? QString::number(static_cast<long long>(row.value))
                                               : machineNumber(row.value);
        printLine(stdout, row.name + u'\t' + value + u'\t' + row.unit);
    }
}

struct Range {
    std::optional<double> from, to;
};

// Reads --von S, --bis S (also --von=S) out of args; the rest stays.
std::optional<Range> takeRange(QStringList& args, QString& error) {
    Range range;
    for (qsizetype i = 0; i < args.size();) {
        QString name = args[i];
        QString value;
        bool joined = false;
        if (const qsizetype equals = name.indexOf(u'='); name.startsWith(u"--") && equals > 0) {
            value = name.mid(equals + 1);
            name = name.left(equals);
            joined = true;
        }
        std::optional<double>* target = nullptr;
        if (name == u"--von")
            target = &range.from;
        else if (name == u"--bis")
            target = &range.to;
        if (target == nullptr) {
            if (name.startsWith(u"--") && name.size() > 2) {
                error = QStringLiteral("unbekannte Option '%1'").arg(name);
                return std::nullopt;
            }
            ++i;
            continue;
        }
        if (!joined) {
            if (i + 1 >= args.size()) {
                error = QStringLiteral("%1 braucht eine Zeit in Sekunden").arg(name);
                return std::nullopt;
            }
            value = args[i + 1];
        }
        bool ok = false;
        const double seconds = QString(value).replace(u',', u'.').toDouble(&ok);
        if (!ok || !std::isfinite(seconds)) {
            error = QStringLiteral("'%1' ist keine Zeit in Sekunden").arg(value);
            return std::nullopt;
        }
        *target = seconds;
        args.remove(i, joined ? 1 : 2);
    }
    if (range.from && range.to && *range.from > *range.to) {
        error = QStringLiteral("--von liegt hinter --bis");
        return std::nullopt;
    }
    return range;
}

std::optional<QByteArray> readInput(const QString& path, QString& error) {
    if (path == u"-") {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return std::nullopt;
        return in.read(kMeasurementFileLimit + 1);
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

int runInfo(const QStringList& args) {
    if (args.size() != 1)
        return usageError(QStringLiteral("info braucht genau eine DATEI"));
    int status = 0;
    const std::optional<Measurement> m = readMeasurement(args[0], status);
    if (!m)
        return status;
    for (const auto& [key, value] : measurementSettings(*m))
        printLine(stdout, key + u'\t' + value);
    const qsizetype values = std::visit(
        [](const auto& data) -> qsizetype {
            if constexpr (std::is_same_v<std::decay_t<decltype(data)>, RecorderMeasurement>)
                return static_cast<qsizetype>(data.samples.size());
            else
                return static_cast<qsizetype>(data.values.size());
        },
        m->data);
    printLine(stdout, QStringLiteral("Werte\t%1").arg(values));
    return 0;
}

int runCsv(const QStringList& args) {
    if (args.size() != 1)
        return usageError(QStringLiteral("csv braucht genau eine DATEI"));
    int status = 0;
    const std::optional<Measurement> m = readMeasurement(args[0], status);
    if (!m)
        return status;
    const QByteArray bytes = measurementCsvBytes(*m);
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    return 0;
}

// stats and fit: the points of FILE within the range, evaluated by `run`.
template <typename Run> int runOnPoints(QStringList args, const char* command, Run run) {
    QString error;
    const std::optional<Range> range = takeRange(args, error);
    if (!range)
        return usageError(error);
    if (args.size() != 1)
        return usageError(
            QStringLiteral("%1 braucht genau eine DATEI").arg(QLatin1String(command)));
    int status = 0;
    const std::optional<Measurement> m = readMeasurement(args[0], status);
    if (!m)
        return status;
    const Outcome<Series> series = seriesOf(*m);
    if (!series)
        return failed(args[0], series.error);
    const std::span<const Point> points =
        pointsBetween(*series.value, range->from.value_or(-HUGE_VAL), range->to.value_or(HUGE_VAL));
    const QString problem = run(points, range->from.value_or(0), series.value->volts);
    if (!problem.isEmpty())
        return failed(args[0], problem);
    return 0;
}

int runStats(const QStringList& args) {
    return runOnPoints(args, "stats", [](std::span<const Point> points, double, bool volts) {
        const Outcome<Statistics> s = statistics(points);
        if (!s)
            return s.error;
        printRows(statisticsRows(*s.value, volts));
        return QString();
    });
}

int runFit(QStringList args) {
    if (args.isEmpty())
        return usageError(QStringLiteral("fit braucht die Kurve: gerade, exp oder sinus"));
    const QString curve = args.takeFirst();
    FitKind kind = FitKind::Line;
    if (curve == u"gerade")
        kind = FitKind::Line;
    else if (curve == u"exp")
        kind = FitKind::Exponential;
    else if (curve == u"sinus")
        kind = FitKind::Sine;
    else
        return usageError(
            QStringLiteral("unbekannte Kurve '%1' (gerade, exp oder sinus)").arg(curve));
    return runOnPoints(args, "fit",
                       [kind](std::span<const Point> points, double origin, bool volts) {
                           const Outcome<Fit> fit = fitCurve(kind, points, origin);
                           if (!fit)
                               return fit.error;
                           printRows(fitRows(*fit.value, volts));
                           return QString();
                       });
}

} // namespace

int main(int argc, char** argv) {
    // Numbers for scripts always take a decimal point.
    std::setlocale(LC_NUMERIC, "C");
    QStringList args;
    for (int k = 1; k < argc; ++k)
        args.append(QString::fromLocal8Bit(argv[k]));
    if (args.isEmpty())
        return usageError(QStringLiteral("es fehlt der Befehl"));
    const QString command = args.takeFirst();
    if (command == u"-h" || command == u"--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == u"--version") {
        std::puts("zentor-mess " ZENTOR_VERSION);
        return 0;
    }
    if (command == u"info")
        return runInfo(args);
    if (command == u"csv")
        return runCsv(args);
    if (command == u"stats")
        return runStats(args);
    if (command == u"fit")
        return runFit(args);
    return usageError(QStringLiteral("unbekannter Befehl '%1'").arg(command));
}
