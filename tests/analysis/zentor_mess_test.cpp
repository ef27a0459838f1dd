// zentor-mess on measurement files the program saved itself with "Messung
// speichern ...", compared with what "Messwerte exportieren ..." wrote.
#include "comphard.h"
#include "curve_fit.h"
#include "dialogs.h"
#include "link_wait.h"
#include "locale_scope.h"
#include "logger_page.h"
#include "measurement_commands.h"
#include "program_file.h"
#include "recorder_page.h"
#include "scope_page.h"
#include "tform1.h"
#include "wait_until.h"

#include <QAction>
#include <QComboBox>
#include <QProcess>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <memory>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

using zentor::MeasurementCommands;

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

// Runs zentor-mess; `input`, when given, goes to its standard input through
// a pipe in parts, the next one only after the program has taken all of the
// one before, so that each part comes to it as a read of its own.
Result mess(const QStringList& args, const QList<QByteArray>& input = {}) {
    QProcess process;
    int pipe[2] = {-1, -1};
    if (!input.isEmpty()) {
        if (::pipe2(pipe, O_CLOEXEC) != 0)
            return {};
        // dup2 leaves the copy open across exec; the pipe's own ends close.
        process.setChildProcessModifier([in = pipe[0]] { ::dup2(in, STDIN_FILENO); });
    }
    process.start(QStringLiteral(ZENTOR_MESS), args);
    Result run;
    if (!input.isEmpty()) {
        ::close(pipe[0]);
        // A program that stops reading early makes the rest fail with EPIPE.
        std::signal(SIGPIPE, SIG_IGN);
        for (const QByteArray& part : input) {
            qsizetype written = 0;
            while (written < part.size()) {
                const ssize_t n = ::write(pipe[1], part.constData() + written,
                                          static_cast<std::size_t>(part.size() - written));
                if (n <= 0)
                    break;
                written += n;
            }
            // Until the pipe is empty, or has no reader any more (POLLERR).
            testing_support::waitUntil([&] {
                int waiting = 0;
                pollfd end{pipe[1], 0, 0};
                return ::ioctl(pipe[1], FIONREAD, &waiting) != 0 || waiting == 0 ||
                       (::poll(&end, 1, 0) == 1 && (end.revents & POLLERR) != 0);
            });
        }
        ::close(pipe[1]);
    }
    if (!process.waitForFinished(10000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The value of the line "name<TAB>value<TAB>unit", and its unit.
struct Line {
    double value = NAN;
    QString unit;
};
Line lineOf(const QString& out, const QString& name) {
    for (const QString& line : out.split(u'\n')) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() == 3 && fields[0] == name)
            return {fields[1].toDouble(), fields[2]};
    }
    return {};
}

class ZentorMess : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(configHome.isValid());
        qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
        previousBoxes =
            dialogs::setHandler([](QWidget*, const dialogs::Request&) { return QMessageBox::Ok; });
        previousFiles = MeasurementCommands::setFileDialogHandler(
            [this](QWidget*, const MeasurementCommands::FileRequest&) {
                return MeasurementCommands::FileChoice{path, false};
            });
        window = std::make_unique<TForm1>();
        window->show();

        // 2 s of a capacitor discharging (τ = 0,5 s) every 20 ms, as recorded.
        zentor::RecorderMeasurement discharge;
        discharge.durationItem = 1; // "   2 Sekunden"
        for (int i = 0; i < 100; ++i) {
            const double volts = 4 * std::exp(-i * 0.02 / 0.5) + 0.5;
            discharge.samples.push_back({static_cast<quint8>(std::lround(volts * 51)), i * 20});
        }
        ASSERT_TRUE(window->TabSheet6->showMeasurement({QDateTime(), discharge}));
        // The values the tests put on the other pages count as measured.
        window->TabSheet3->setMeasuredAt(QDateTime());
        window->TabSheet8->setMeasuredAt(QDateTime());
    }

    void TearDown() override {
        window.reset();
        testing_support::onLink(comphard::ClosePort);
        dialogs::setHandler(previousBoxes);
        MeasurementCommands::setFileDialogHandler(previousFiles);
    }

    // Saves the measurement of `page` as NAME.zmess and exports it as
    // NAME.csv through the menu; returns the measurement file.
    QString saveAndExport(QWidget* page, const QString& name) {
        window->PageControl1->setCurrentWidget(page);
        window->Timer1->stop();
        path = files.filePath(name + QStringLiteral(".csv"));
        window->MesswerteExportieren1->trigger();
        path = files.filePath(name + QStringLiteral(".zmess"));
        window->MessungSpeichern1->trigger();
        return path;
    }

    zentor::test::LocaleScope locale{zentor::test::german()};
    QTemporaryDir configHome;
    QTemporaryDir files;
    QString path;
    dialogs::Handler previousBoxes;
    MeasurementCommands::FileDialogHandler previousFiles;
    std::unique_ptr<TForm1> window;
};

} // namespace

TEST_F(ZentorMess, CsvIsWhatTheExportWrote) {
    LoggerPage& logger = *window->TabSheet3;
    for (std::size_t i = 0; i < logger.loggerValues().size(); ++i)
        logger.loggerValues()[i] = static_cast<qint32>(i * 2 % 256) - (i == 7 ? 15 : 0);
    logger.ComboBox16->setCurrentIndex(3);
    ScopePage& scope = *window->TabSheet8;
    for (std::size_t i = 0; i < scope.ScopeValues.size(); ++i)
        scope.ScopeValues[i] = static_cast<qint32>(128 + 100 * std::sin(i * 0.2));
    scope.RadioButton3->click();

    for (QWidget* page : {static_cast<QWidget*>(window->TabSheet6), static_cast<QWidget*>(&logger),
                          static_cast<QWidget*>(&scope)}) {
        SCOPED_TRACE(page->objectName().toStdString());
        const QString file = saveAndExport(page, page->objectName());
        const QByteArray exported =
            zentor::readFileBytes(files.filePath(page->objectName() + QStringLiteral(".csv")))
                .value_or(QByteArray());
        ASSERT_FALSE(exported.isEmpty());
        QProcess process;
        process.start(QStringLiteral(ZENTOR_MESS), {QStringLiteral("csv"), file});
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitCode(), 0);
        EXPECT_EQ(process.readAllStandardOutput(), exported);
    }
}

// The exported file keeps what a fit needs: a fit to it agrees with the
// program's own within a tenth of each parameter's uncertainty.
TEST_F(ZentorMess, AFitToTheCsvAgreesWithTheProgramsFit) {
    using namespace zentor::analysis;
    saveAndExport(window->TabSheet6, QStringLiteral("entladung"));
    const QString csv =
        QString::fromUtf8(zentor::readFileBytes(files.filePath(QStringLiteral("entladung.csv")))
                              .value_or(QByteArray()));
    const QLocale german = zentor::test::german();
    std::vector<Point> points;
    for (const QString& line : csv.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).mid(1)) {
        const QStringList fields = line.split(u';');
        points.push_back({german.toDouble(fields[0]), german.toDouble(fields[1])});
    }
    const Outcome<Series> shown = seriesOf(window->TabSheet6->measurement());
    ASSERT_TRUE(shown);
    const Outcome<Fit> fromCsv = fitCurve(FitKind::Exponential, points, 0);
    const Outcome<Fit> inProgram = fitCurve(FitKind::Exponential, shown.value->points, 0);
    ASSERT_TRUE(fromCsv && inProgram);
    for (std::size_t i = 0; i < inProgram.value->values.size(); ++i)
        EXPECT_NEAR(fromCsv.value->values[i], inProgram.value->values[i],
                    inProgram.value->uncertainties[i] / 10)
            << i;
}

TEST_F(ZentorMess, InfoStatsAndFitPrintOneResultALine) {
    const QString file = saveAndExport(window->TabSheet6, QStringLiteral("entladung"));

    const Result info = mess({QStringLiteral("info"), QStringLiteral("--"), file});
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.out, QStringLiteral("Seite\tZeitschreiber\nMessdauer\t2 Sekunden\n"
                                       "Kanal\tSpannung\nAnzeigeInVolt\tja\nWerte\t100\n"));

    // The bounds in either order, as the window takes the cursors.
    const Result stats = mess({QStringLiteral("stats"), file, QStringLiteral("--von"),
                               QStringLiteral("1"), QStringLiteral("--bis=0,5")});
    EXPECT_EQ(stats.status, 0);
    QStringList names;
    for (const QString& line : stats.out.split(u'\n', Qt::SkipEmptyParts))
        names << line.section(u'\t', 0, 0) + u'/' + line.section(u'\t', 2, 2);
    EXPECT_EQ(names.join(u' '), QStringLiteral("n/1 t_von/s t_bis/s min/V max/V mittel/V std/V"));
    EXPECT_TRUE(stats.out.startsWith(QStringLiteral("n\t26\t1\nt_von\t0.500000000\ts\n")))
        << stats.out.toStdString();

    // From 0,5 s on: t counts from --von, so A is the drop still to come there.
    const Result fit = mess({QStringLiteral("fit"), QStringLiteral("exp"), file,
                             QStringLiteral("--von"), QStringLiteral("0.5")});
    EXPECT_EQ(fit.status, 0) << fit.err.toStdString();
    EXPECT_NEAR(lineOf(fit.out, QStringLiteral("tau")).value, 0.5, 0.01);
    EXPECT_NEAR(lineOf(fit.out, QStringLiteral("A")).value, 4 * std::exp(-1.0), 0.03);
    EXPECT_NEAR(lineOf(fit.out, QStringLiteral("t_halb")).value, 0.5 * std::log(2.0), 0.01);
    EXPECT_EQ(lineOf(fit.out, QStringLiteral("C")).unit, QStringLiteral("V"));
    EXPECT_GT(lineOf(fit.out, QStringLiteral("r2")).value, 0.999);
    // Each parameter is followed by its uncertainty; a doubtful fit says so.
    EXPECT_GT(lineOf(fit.out, QStringLiteral("u_tau")).value, 0);
    EXPECT_LT(lineOf(fit.out, QStringLiteral("u_tau")).value, 0.01);
    const Result fewPoints = mess({QStringLiteral("fit"), QStringLiteral("gerade"), file,
                                   QStringLiteral("--bis"), QStringLiteral("0,05")});
    EXPECT_EQ(fewPoints.status, 0);
    EXPECT_EQ(fewPoints.err,
              file + QStringLiteral(": Die Kurve passt schlecht zu den Messwerten.\n"));

    // Standard input to its end, though the pipe brings it in two parts.
    const QByteArray bytes = zentor::readFileBytes(file).value_or(QByteArray());
    const Result piped = mess({QStringLiteral("info"), QStringLiteral("-")},
                              {bytes.left(bytes.size() / 2), bytes.mid(bytes.size() / 2)});
    EXPECT_EQ(piped.status, 0) << piped.err.toStdString();
    EXPECT_EQ(piped.out, info.out);
}

// Raw values along a line that bends by a few steps: the best exponential
// has τ ≈ −800 s over 12 s, and its uncertainties cannot be had. They are
// written "nan", never 0, and the fit is called a poor one.
TEST_F(ZentorMess, AnUnknownUncertaintyIsWrittenNanWithTheWarning) {
    zentor::RecorderMeasurement straight;
    straight.durationItem = 4; // " 20 Sekunden": every 20 ms
    straight.volts = false;
    for (int i = 0; i < 600; ++i) {
        const double t = i * 0.02;
        straight.samples.push_back(
            {static_cast<quint8>(std::lround(10 + 16000 * (std::exp(t / 800) - 1))), i * 20});
    }
    ASSERT_TRUE(window->TabSheet6->showMeasurement({QDateTime(), straight}));
    const QString file = saveAndExport(window->TabSheet6, QStringLiteral("gerade"));
    const Result fit = mess({QStringLiteral("fit"), QStringLiteral("exp"), file});
    EXPECT_EQ(fit.status, 0) << fit.err.toStdString();
    EXPECT_LT(lineOf(fit.out, QStringLiteral("tau")).value, -120);
    EXPECT_TRUE(fit.out.contains(QStringLiteral("\nu_tau\tnan\ts\n"))) << fit.out.toStdString();
    EXPECT_EQ(fit.err, file + QStringLiteral(": Die Kurve passt schlecht zu den Messwerten.\n"));
}

TEST_F(ZentorMess, FailuresGoToStandardErrorWithTheFileName) {
    const QString good = saveAndExport(window->TabSheet6, QStringLiteral("gut"));
    window->TabSheet3->ComboBox17->setCurrentIndex(zentor::kLoggerInputDigital);
    const QString digital = saveAndExport(window->TabSheet3, QStringLiteral("bits"));
    const QString damaged = files.filePath(QStringLiteral("kaputt.zmess"));
    const QByteArray bytes = zentor::readFileBytes(good).value_or(QByteArray());
    ASSERT_TRUE(zentor::writeFileAtomically(damaged, bytes.left(bytes.size() / 2)));
    const QString missing = files.filePath(QStringLiteral("fehlt.zmess"));

    struct Case {
        QStringList args;
        int status;
        QString err;               // the start of standard error
        QList<QByteArray> input{}; // standard input, in parts
    };
    const Case cases[] = {
        {{"stats", damaged}, 1, damaged + ": Die Datei ist unvollständig: [Ende] fehlt."},
        {{"info", missing}, 1, missing + ": "},
        {{"fit", "sinus", good, "--von", "0", "--bis", "0.05"},
         1,
         good + ": Zu wenige Messwerte: 3, nötig sind mindestens 5."},
        {{"stats", digital}, 1, digital + ": Die Messung zeigt die Eingänge als Bits"},
        {{"fit", "parabel", good}, 2, "zentor-mess: unbekannte Kurve 'parabel'"},
        {{"stats", good, "--von", "bald"}, 2, "zentor-mess: 'bald' ist keine Zeit in Sekunden"},
        {{"stats", good, "--von=1", "--foo"}, 2, "zentor-mess: unbekannte Option '--foo'\nHilfe: "},
        {{"stats", good, "--von"}, 2, "zentor-mess: --von braucht eine Zeit in Sekunden"},
        {{"periode", good}, 1, good + ": Keine volle Periode im Bereich"},
        {{"csv"}, 2, "zentor-mess: csv braucht genau eine DATEI"},
        {{"protokoll", good, "--fit", "exp"}, 2, "zentor-mess: protokoll braucht -o DATEI"},
        {{"stats", good, "--titel", "Anna"}, 2, "zentor-mess: stats kennt --titel nicht"},
        {{"info", "-"},
         1,
         "-: Die Eingabe ist größer als 1 MiB.",
         {QByteArray(600 * 1024, ';'), QByteArray(600 * 1024, ';')}},
        {{}, 2, "zentor-mess: es fehlt der Befehl"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Result run = mess(c.args, c.input);
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(run.err.startsWith(c.err)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }

    const Result help = mess({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(
        help.out.startsWith(QStringLiteral("Aufruf: zentor-mess BEFEHL [OPTIONEN] DATEI\n")));
    EXPECT_EQ(mess({QStringLiteral("--version")}).out, QStringLiteral("zentor-mess 1.1\n"));
}
