// Measurement files: the written form, round trips of every kind, what the
// reader tolerates, and damaged files, which must give a clear error and
// never a crash.
#include "measurement_file.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace zentor;

namespace {

QDateTime sampleTime() {
    return QDateTime(QDate(2024, 5, 14), QTime(10, 31, 7), QTimeZone(7200));
}

Measurement recorderMeasurement() {
    RecorderMeasurement m;
    m.durationItem = 0; // "   1 Sekunde": budget 50, 1000 ms
    m.channelCode = 60;
    m.volts = true;
    m.samples = {{128, 0}, {131, 20}, {255, 40}};
    return {sampleTime(), m};
}

Measurement loggerMeasurement() {
    LoggerMeasurement m;
    m.durationItem = 5; // "  2 Minuten"
    m.inputItem = kLoggerInputDigital;
    for (std::size_t i = 0; i < m.values.size(); ++i)
        m.values[i] = static_cast<qint32>(i * 2) - 1; // -1 .. 247
    return {sampleTime(), m};
}

Measurement scopeMeasurement() {
    ScopeMeasurement m;
    m.timeBase = 20;
    m.volts = false;
    for (std::size_t i = 0; i < m.values.size(); ++i)
        m.values[i] = static_cast<qint32>(255 - i);
    return {QDateTime(), m}; // time unknown
}

QString text(const Measurement& m) {
    return QString::fromUtf8(measurementFileBytes(m));
}

TEST(MeasurementFile, RecorderFileHasTheDocumentedForm) {
    EXPECT_EQ(text(recorderMeasurement()), QStringLiteral("; Zentor-Messung\r\n"
                                                          "[Messung]\r\n"
                                                          "Format=1\r\n"
                                                          "Seite=Zeitschreiber\r\n"
                                                          "Zeitpunkt=2024-05-14T10:31:07+02:00\r\n"
                                                          "Messdauer=1 Sekunde\r\n"
                                                          "Kanal=Spannung\r\n"
                                                          "AnzeigeInVolt=ja\r\n"
                                                          "\r\n"
                                                          "[Werte]\r\n"
                                                          "; Zeit in ms;Rohwert\r\n"
                                                          "0;128\r\n"
                                                          "20;131\r\n"
                                                          "40;255\r\n"
                                                          "[Ende]\r\n"));
}

TEST(MeasurementFile, EveryKindComesBackAsItWasStored) {
    RecorderMeasurement longest;
    longest.durationItem = 22; // " 24 Stunden": the whole buffer
    longest.channelCode = 64;  // "Lärm": a name outside ASCII
    longest.volts = false;
    for (int i = 0; i < RecorderBuffer::kSize; ++i)
        longest.samples.push_back({static_cast<quint8>(i % 256), i * 57600});
    const Measurement cases[] = {recorderMeasurement(),
                                 loggerMeasurement(),
                                 scopeMeasurement(),
                                 {sampleTime(), longest},
                                 {sampleTime(), RecorderMeasurement{}}};
    for (const Measurement& m : cases) {
        const MeasurementReadResult read = readMeasurementFile(measurementFileBytes(m));
        ASSERT_TRUE(read.ok) << read.error.toStdString() << "\n" << text(m).toStdString();
        EXPECT_EQ(read.measurement, m) << text(m).toStdString();
        EXPECT_EQ(measurementPageName(read.measurement), measurementPageName(m));
    }
}

TEST(MeasurementFile, ReadingToleratesWhatEditorsAndOtherVersionsDo) {
    const QByteArray edited =
        "\xEF\xBB\xBF"
        "# by hand\n"
        "[messung]\n"
        "  format = 1 \n"
        "SEITE=oszilloskop\n"
        "Kommentar=unbekannt, wird übergangen\n"
        "Zeitbasis=5\n"
        "AnzeigeInVolt=nein\n"
        "[Extra]\n"
        "0;999\n"
        "[Werte]\n" +
        [] {
            QByteArray rows;
            for (int i = 0; i <= 100; ++i)
                rows += QByteArray::number(i) + " ; " + QByteArray::number(i % 2 ? -1 : 7) + "\r\n";
            return rows + "[Ende]\n; danach: gleichgültig\n";
        }();
    const MeasurementReadResult read = readMeasurementFile(edited);
    ASSERT_TRUE(read.ok) << read.error.toStdString();
    const auto& scope = std::get<ScopeMeasurement>(read.measurement.data);
    EXPECT_EQ(scope.timeBase, 5);
    EXPECT_FALSE(scope.volts);
    EXPECT_EQ(scope.values[0], 7);
    EXPECT_EQ(scope.values[100], 7);
    EXPECT_EQ(scope.values[99], -1);
    EXPECT_FALSE(read.measurement.takenAt.isValid());
}

// A valid file with one line replaced (or, for an empty `from`, the text as given).
QByteArray damaged(const Measurement& m, const QString& from, const QString& to) {
    return text(m).replace(from, to).toUtf8();
}

struct DamageCase {
    const char* name;
    QByteArray bytes;
    const char* error; // a part of the error text
};

TEST(MeasurementFile, DamagedFilesAreRefusedWithAReason) {
    const Measurement rec = recorderMeasurement();
    const Measurement log = loggerMeasurement();
    const Measurement osc = scopeMeasurement();
    const DamageCase cases[] = {
        {"empty", "", "keine Zentor-Messung"},
        {"binary", QByteArray("\x89PNG\r\n\x1a\n\xff\xfe", 10), "kein lesbarer Text"},
        {"nul bytes", QByteArray("[Messung]\0\0", 11), "kein lesbarer Text"},
        {"a program file", "L1: Testprogramm\r\n\tDelay 250\r\n", "keine Zentor-Messung"},
        {"other section first", "[Werte]\r\n0;1\r\n", "keine Zentor-Messung"},
        {"open bracket", damaged(rec, "[Werte]", "[Werte"), "Zeile 10: unvollständige"},
        {"no format", damaged(rec, "Format=1\r\n", ""), "Der Eintrag \"Format\" fehlt."},
        {"newer format", damaged(rec, "Format=1", "Format=2"),
         "neueren Programmversion (Format 2)"},
        {"format text", damaged(rec, "Format=1", "Format=eins"), "Zeile 3: \"eins\" ist kein"},
        {"no equals", damaged(rec, "Format=1", "Format"), "Zeile 3: erwartet wird Name=Wert."},
        {"unknown page", damaged(rec, "=Zeitschreiber", "=Direkt"), "für Seite"},
        {"no values", damaged(rec, "[Werte]", "[Andere]"), "Der Abschnitt [Werte] fehlt."},
        {"no end", damaged(rec, "[Ende]", ""), "unvollständig: [Ende] fehlt"},
        {"two value sections", damaged(rec, "40;255", "[Werte]"), "steht doppelt"},
        {"bad time stamp", damaged(rec, "2024-05-14T10:31:07+02:00", "gestern"), "Zeitpunkt"},
        {"unknown duration", damaged(rec, "=1 Sekunde", "=11 Sekunden"), "für Messdauer"},
        {"no channel", damaged(rec, "Kanal=Spannung\r\n", ""), "\"Kanal\" fehlt"},
        {"units", damaged(rec, "=ja", "=vielleicht"), "für AnzeigeInVolt"},
        {"one field", damaged(rec, "20;131", "20"), "Zeile 13: erwartet werden zwei ganze"},
        {"three fields", damaged(rec, "20;131", "20;131;1"), "zwei ganze Zahlen"},
        {"text value", damaged(rec, "20;131", "20;viel"), "zwei ganze Zahlen"},
        {"raw too high", damaged(rec, "20;131", "20;256"), "256 liegt nicht zwischen 0 und 255"},
        {"late start", damaged(rec, "0;128", "5;128"), "die Zeit 0 haben"},
        {"time backwards", damaged(rec, "40;255", "10;255"), "darf nicht abnehmen"},
        {"past the duration", damaged(rec, "40;255", "1000;255"), "1000 ms liegt nicht"},
        {"over budget",
         damaged(rec, "40;255",
                 [] {
                     QString rows;
                     for (int i = 2; i <= 50; ++i)
                         rows += QStringLiteral("%1;1\r\n").arg(i * 19);
                     return rows;
                 }()),
         "mehr Messwerte, als die Messdauer zulässt (50)"},
        {"logger out of order", damaged(log, "\r\n3;5\r\n", "\r\n4;5\r\n"),
         "erwartet wird der Messwert Nummer 3"},
        {"logger below -1", damaged(log, "\r\n3;5\r\n", "\r\n3;-2\r\n"), "zwischen -1 und 255"},
        {"logger row too many", damaged(log, "124;247\r\n", "124;247\r\n125;0\r\n"),
         "Nummer keiner"},
        {"logger input", damaged(log, "=Digital", "=Beides"), "für Eingang"},
        {"scope time base", damaged(osc, "Zeitbasis=20", "Zeitbasis=3"), "für Zeitbasis"},
        {"too large", QByteArray(kMeasurementFileLimit + 1, ';'), "zu groß"},
    };
    for (const DamageCase& c : cases) {
        const MeasurementReadResult read = readMeasurementFile(c.bytes);
        EXPECT_FALSE(read.ok) << c.name;
        EXPECT_TRUE(read.error.contains(QString::fromUtf8(c.error)))
            << c.name << ": " << read.error.toStdString();
    }
}

TEST(MeasurementFile, EveryCutOffFileIsRefused) {
    // A file broken off anywhere (a full disk, a lost stick) must never load
    // as a measurement with values missing.
    for (const Measurement& m : {recorderMeasurement(), loggerMeasurement(), scopeMeasurement()}) {
        const QByteArray whole = measurementFileBytes(m);
        for (qsizetype length = 0; length < whole.size() - 2; ++length) {
            const MeasurementReadResult read = readMeasurementFile(whole.left(length));
            EXPECT_FALSE(read.ok) << length;
            EXPECT_FALSE(read.error.isEmpty()) << length;
        }
    }
}

TEST(MeasurementFile, ReplayGivesTheRecorderTheStoredSamples) {
    const Measurement measurement = recorderMeasurement();
    const auto& stored = std::get<RecorderMeasurement>(measurement.data).samples;
    Recorder recorder;
    replayRecording(recorder, 0, stored);
    EXPECT_FALSE(recorder.isRecording());
    ASSERT_EQ(recorder.count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(recorder.buffer()[i], stored[static_cast<std::size_t>(i)]);

    // Samples the recording would not have counted are dropped.
    std::vector<RecorderSample> tooLong = stored;
    tooLong.push_back({9, 1000}); // at the end of "   1 Sekunde"
    replayRecording(recorder, 0, tooLong);
    EXPECT_EQ(recorder.count(), 3);
}

} // namespace
