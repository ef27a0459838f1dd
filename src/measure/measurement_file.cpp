#include "measurement_file.h"

#include <QStringDecoder>
#include <QStringList>

#include <optional>
#include <utility>

namespace zentor {

namespace {

const QString kMeasurementSection = QStringLiteral("Messung");
const QString kValuesSection = QStringLiteral("Werte");
const QString kEndSection = QStringLiteral("Ende");
const QString kTitleComment = QStringLiteral("; Zentor-Messung");

const QString kFormatKey = QStringLiteral("Format");
const QString kPageKey = QStringLiteral("Seite");
const QString kTakenAtKey = QStringLiteral("Zeitpunkt");
const QString kDurationKey = QStringLiteral("Messdauer");
const QString kChannelKey = QStringLiteral("Kanal");
const QString kVoltsKey = QStringLiteral("AnzeigeInVolt");
const QString kInputKey = QStringLiteral("Eingang");
const QString kTimeBaseKey = QStringLiteral("Zeitbasis");

const QString kRecorderPage = QStringLiteral("Zeitschreiber");
const QString kLoggerPage = QStringLiteral("Extern Messen");
const QString kScopePage = QStringLiteral("Oszilloskop");

const QString kYes = QStringLiteral("ja");
const QString kNo = QStringLiteral("nein");

const QString kLineEnd = QStringLiteral("\r\n");

// ---- Writing -----------------------------------------------------------------------

class Writer {
public:
    void line(const QString& text) { m_text += text + kLineEnd; }
    void entry(const QString& key, const QString& value) { line(key + u'=' + value); }
    void row(qint64 first, qint64 second) {
        line(QString::number(first) + u';' + QString::number(second));
    }
    QByteArray bytes() const { return m_text.toUtf8(); }

private:
    QString m_text;
};

QString yesNo(bool on) {
    return on ? kYes : kNo;
}

QString timeText(const QDateTime& takenAt) {
    // With the offset written out, the file means the same instant wherever
    // it is opened.
    const QDateTime withOffset = takenAt.toOffsetFromUtc(takenAt.offsetFromUtc());
    return withOffset.toString(Qt::ISODate);
}

using Settings = std::vector<std::pair<QString, QString>>;

Settings settingsOf(const RecorderMeasurement& m) {
    QString channel;
    for (const RecorderChannelRow& row : kRecorderChannels) {
        if (row.code == m.channelCode)
            channel = row.itemText.toString();
    }
    if (channel.isEmpty())
        channel = kRecorderChannels.front().itemText.toString();
    return {{kDurationKey, recorderRow(m.durationItem).itemText.trimmed().toString()},
            {kChannelKey, channel},
            {kVoltsKey, yesNo(m.volts)}};
}

Settings settingsOf(const LoggerMeasurement& m) {
    const auto item = static_cast<std::size_t>(loggerDurationItem(m.durationItem));
    return {{kDurationKey, kLoggerDurations[item].itemText.trimmed().toString()},
            {kInputKey, kLoggerInputItems[m.inputItem == kLoggerInputDigital ? 1 : 0].toString()}};
}

Settings settingsOf(const ScopeMeasurement& m) {
    return {{kTimeBaseKey, QString::number(m.timeBase)}, {kVoltsKey, yesNo(m.volts)}};
}

void writeValues(Writer& out, const RecorderMeasurement& m) {
    out.line(QStringLiteral("; Zeit in ms;Rohwert"));
    const std::size_t count =
        std::min(m.samples.size(), static_cast<std::size_t>(RecorderBuffer::kSize));
    for (std::size_t i = 0; i < count; ++i)
        out.row(m.samples[i].time, m.samples[i].value);
}

void writeValues(Writer& out, const LoggerMeasurement& m) {
    out.line(QStringLiteral("; Nummer;Rohwert (-1: Lesefehler)"));
    for (std::size_t i = 0; i < m.values.size(); ++i)
        out.row(static_cast<qint64>(i), m.values[i]);
}

void writeValues(Writer& out, const ScopeMeasurement& m) {
    out.line(QStringLiteral("; Nummer;Rohwert (-1: Lesefehler)"));
    for (std::size_t i = 0; i < m.values.size(); ++i)
        out.row(static_cast<qint64>(i), m.values[i]);
}

// ---- Reading -----------------------------------------------------------------------

struct Line {
    int number = 0; // 1-based, as an editor counts
    QString text;   // trimmed
};

struct Entry {
    int line = 0;
    QString value;
};

// A failed read: the sentence for the user.
struct Failure {
    QString text;
};

QString atLine(int line, const QString& text) {
    return QStringLiteral("Zeile %1: %2").arg(line).arg(text);
}

class Parsed {
public:
    // The entries of [Messung] by lower-case name, the rows of [Werte].
    std::vector<std::pair<QString, Entry>> entries;
    std::vector<Line> rows;
    bool hasValues = false;
    bool complete = false; // [Ende] was reached

    const Entry* find(const QString& key) const {
        const QString wanted = key.toLower();
        const Entry* found = nullptr;
        for (const auto& [name, entry] : entries) {
            if (name == wanted)
                found = &entry; // the last one counts, as in other settings files
        }
        return found;
    }

    // The entry or a failure naming it.
    std::variant<Entry, Failure> require(const QString& key) const {
        if (const Entry* entry = find(key))
            return *entry;
        return Failure{QStringLiteral("Der Eintrag \"%1\" fehlt.").arg(key)};
    }
};

Failure badValue(const Entry& entry, const QString& key) {
    return Failure{atLine(
        entry.line, QStringLiteral("\"%1\" ist kein gültiger Wert für %2.").arg(entry.value, key))};
}

// The row of a table whose text (blanks around it ignored, any case) is the
// key's value; the last such row counts. A failure names a missing key or a
// value that is no row of the table.
template <typename Table, typename TextOf>
std::variant<int, Failure> requireItem(const Parsed& parsed, const QString& key, const Table& table,
                                       TextOf textOf) {
    const auto entry = parsed.require(key);
    if (const auto* failure = std::get_if<Failure>(&entry))
        return *failure;
    const Entry& e = std::get<Entry>(entry);
    int item = -1;
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (QStringView(textOf(table[i])).trimmed().compare(e.value, Qt::CaseInsensitive) == 0)
            item = static_cast<int>(i);
    }
    if (item < 0)
        return badValue(e, key);
    return item;
}

std::variant<Parsed, Failure> parse(const QString& text) {
    Parsed parsed;
    enum class Section { None, Measurement, Values, Other } section = Section::None;
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const Line line{i + 1, lines[i].trimmed()};
        if (line.text.isEmpty() || line.text.startsWith(u';') || line.text.startsWith(u'#'))
            continue;
        if (line.text.startsWith(u'[')) {
            if (!line.text.endsWith(u']'))
                return Failure{
                    atLine(line.number, QStringLiteral("unvollständige Abschnittsangabe."))};
            const QString name = line.text.mid(1, line.text.size() - 2).trimmed();
            const bool first = section == Section::None;
            if (name.compare(kMeasurementSection, Qt::CaseInsensitive) == 0 && first) {
                section = Section::Measurement;
            } else if (first) {
                break; // reported below: not a measurement
            } else if (name.compare(kEndSection, Qt::CaseInsensitive) == 0) {
                parsed.complete = true;
                break;
            } else if (name.compare(kValuesSection, Qt::CaseInsensitive) == 0) {
                if (parsed.hasValues)
                    return Failure{atLine(line.number,
                                          QStringLiteral("der Abschnitt [Werte] steht doppelt."))};
                parsed.hasValues = true;
                section = Section::Values;
            } else {
                section = Section::Other;
            }
            continue;
        }
        switch (section) {
        case Section::None:
            return Failure{QStringLiteral("Die Datei ist keine Zentor-Messung.")};
        case Section::Measurement: {
            const qsizetype equals = line.text.indexOf(u'=');
            if (equals <= 0)
                return Failure{atLine(line.number, QStringLiteral("erwartet wird Name=Wert."))};
            parsed.entries.push_back({line.text.left(equals).trimmed().toLower(),
                                      Entry{line.number, line.text.mid(equals + 1).trimmed()}});
            break;
        }
        case Section::Values:
            parsed.rows.push_back(line);
            break;
        case Section::Other:
            break;
        }
    }
    if (section == Section::None)
        return Failure{QStringLiteral("Die Datei ist keine Zentor-Messung.")};
    return parsed;
}

std::optional<bool> parseYesNo(const QString& text) {
    if (text.compare(kYes, Qt::CaseInsensitive) == 0 || text == u"1")
        return true;
    if (text.compare(kNo, Qt::CaseInsensitive) == 0 || text == u"0")
        return false;
    return std::nullopt;
}

// A row of [Werte]: two whole numbers.
std::variant<std::pair<qint64, qint64>, Failure> parseRow(const Line& row) {
    const QStringList fields = row.text.split(u';');
    bool firstOk = false;
    bool secondOk = false;
    if (fields.size() == 2) {
        const qint64 first = fields[0].trimmed().toLongLong(&firstOk);
        const qint64 second = fields[1].trimmed().toLongLong(&secondOk);
        if (firstOk && secondOk)
            return std::pair{first, second};
    }
    return Failure{atLine(row.number, QStringLiteral("erwartet werden zwei ganze Zahlen, "
                                                     "getrennt durch \";\"."))};
}

Failure outOfRange(const Line& row, qint64 value, int low, int high) {
    return Failure{
        atLine(row.number, QStringLiteral("der Messwert %1 liegt nicht zwischen %2 und %3.")
                               .arg(value)
                               .arg(low)
                               .arg(high))};
}

std::variant<bool, Failure> requireYesNo(const Parsed& parsed, const QString& key) {
    const auto entry = parsed.require(key);
    if (const auto* failure = std::get_if<Failure>(&entry))
        return *failure;
    const std::optional<bool> value = parseYesNo(std::get<Entry>(entry).value);
    if (!value)
        return badValue(std::get<Entry>(entry), key);
    return *value;
}

// The values of the logger and the oscilloscope: every slot in order.
template <std::size_t N>
std::optional<Failure> readSlots(const Parsed& parsed, std::array<qint32, N>& values) {
    constexpr int kLow = -1;
    constexpr int kHigh = 255;
    for (std::size_t i = 0; i < parsed.rows.size(); ++i) {
        const Line& row = parsed.rows[i];
        const auto fields = parseRow(row);
        if (const auto* failure = std::get_if<Failure>(&fields))
            return *failure;
        const auto [slot, value] = std::get<std::pair<qint64, qint64>>(fields);
        if (i >= N || slot != static_cast<qint64>(i))
            return Failure{atLine(row.number,
                                  QStringLiteral("erwartet wird der Messwert Nummer %1.")
                                      .arg(i < N ? QString::number(i) : QStringLiteral("keiner")))};
        if (value < kLow || value > kHigh)
            return outOfRange(row, value, kLow, kHigh);
        values[i] = static_cast<qint32>(value);
    }
    if (parsed.rows.size() != N)
        return Failure{QStringLiteral("Es fehlen Messwerte: %1 von %2 vorhanden.")
                           .arg(parsed.rows.size())
                           .arg(N)};
    return std::nullopt;
}

std::variant<RecorderMeasurement, Failure> readRecorder(const Parsed& parsed) {
    RecorderMeasurement m;

    const auto duration = requireItem(parsed, kDurationKey, kRecorderRows,
                                      [](const RecorderRow& r) { return r.itemText; });
    if (const auto* failure = std::get_if<Failure>(&duration))
        return *failure;
    const int item = std::get<int>(duration);
    m.durationItem = item;

    const auto channel = requireItem(parsed, kChannelKey, kRecorderChannels,
                                     [](const RecorderChannelRow& r) { return r.itemText; });
    if (const auto* failure = std::get_if<Failure>(&channel))
        return *failure;
    m.channelCode = kRecorderChannels[static_cast<std::size_t>(std::get<int>(channel))].code;

    const auto volts = requireYesNo(parsed, kVoltsKey);
    if (const auto* failure = std::get_if<Failure>(&volts))
        return *failure;
    m.volts = std::get<bool>(volts);

    const RecorderRow& row = recorderRow(item);
    qint64 lastTime = 0;
    for (const Line& line : parsed.rows) {
        const auto fields = parseRow(line);
        if (const auto* failure = std::get_if<Failure>(&fields))
            return *failure;
        const auto [time, value] = std::get<std::pair<qint64, qint64>>(fields);
        if (static_cast<qint64>(m.samples.size()) >= row.capacity)
            return Failure{atLine(line.number, QStringLiteral("mehr Messwerte, als die Messdauer "
                                                              "zulässt (%1).")
                                                   .arg(row.capacity))};
        if (m.samples.empty() && time != 0)
            return Failure{
                atLine(line.number, QStringLiteral("der erste Messwert muss die Zeit 0 haben."))};
        if (time < lastTime)
            return Failure{atLine(line.number, QStringLiteral("die Zeit darf nicht abnehmen."))};
        if (time >= row.durationMs)
            return Failure{
                atLine(line.number, QStringLiteral("die Zeit %1 ms liegt nicht innerhalb der "
                                                   "Messdauer.")
                                        .arg(time))};
        if (value < 0 || value > 255)
            return outOfRange(line, value, 0, 255);
        m.samples.push_back({static_cast<quint8>(value), static_cast<qint32>(time)});
        lastTime = time;
    }
    return m;
}

std::variant<LoggerMeasurement, Failure> readLogger(const Parsed& parsed) {
    LoggerMeasurement m;

    const auto duration = requireItem(parsed, kDurationKey, kLoggerDurations,
                                      [](const LoggerDuration& d) { return d.itemText; });
    if (const auto* failure = std::get_if<Failure>(&duration))
        return *failure;
    m.durationItem = std::get<int>(duration);

    const auto input =
        requireItem(parsed, kInputKey, kLoggerInputItems, [](QStringView text) { return text; });
    if (const auto* failure = std::get_if<Failure>(&input))
        return *failure;
    m.inputItem = std::get<int>(input);

    if (auto failure = readSlots(parsed, m.values))
        return *failure;
    return m;
}

std::variant<ScopeMeasurement, Failure> readScope(const Parsed& parsed) {
    ScopeMeasurement m;

    const auto timeBase = parsed.require(kTimeBaseKey);
    if (const auto* failure = std::get_if<Failure>(&timeBase))
        return *failure;
    const Entry& timeBaseEntry = std::get<Entry>(timeBase);
    bool ok = false;
    const int factor = timeBaseEntry.value.toInt(&ok);
    bool known = false;
    for (const ScopeTimeBaseRow& row : kScopeTimeBases)
        known = known || (ok && row.factor == factor);
    if (!known)
        return badValue(timeBaseEntry, kTimeBaseKey);
    m.timeBase = factor;

    const auto volts = requireYesNo(parsed, kVoltsKey);
    if (const auto* failure = std::get_if<Failure>(&volts))
        return *failure;
    m.volts = std::get<bool>(volts);

    if (auto failure = readSlots(parsed, m.values))
        return *failure;
    return m;
}

MeasurementReadResult failed(const QString& text) {
    MeasurementReadResult result;
    result.error = text;
    return result;
}

} // namespace

QDateTime measurementTimeNow() {
    const QDateTime now = QDateTime::currentDateTime();
    return now.addMSecs(-now.time().msec());
}

QString measurementPageName(const Measurement& measurement) {
    switch (measurement.data.index()) {
    case 1:
        return kLoggerPage;
    case 2:
        return kScopePage;
    default:
        return kRecorderPage;
    }
}

std::vector<std::pair<QString, QString>> measurementSettings(const Measurement& measurement) {
    Settings settings{{kPageKey, measurementPageName(measurement)}};
    if (measurement.takenAt.isValid())
        settings.emplace_back(kTakenAtKey, timeText(measurement.takenAt));
    const Settings own = std::visit([](const auto& m) { return settingsOf(m); }, measurement.data);
    settings.insert(settings.end(), own.begin(), own.end());
    return settings;
}

QByteArray measurementFileBytes(const Measurement& measurement) {
    Writer out;
    out.line(kTitleComment);
    out.line(u'[' + kMeasurementSection + u']');
    out.entry(kFormatKey, QString::number(kMeasurementFormat));
    for (const auto& [key, value] : measurementSettings(measurement))
        out.entry(key, value);
    out.line(QString());
    out.line(u'[' + kValuesSection + u']');
    std::visit([&out](const auto& m) { writeValues(out, m); }, measurement.data);
    out.line(u'[' + kEndSection + u']');
    return out.bytes();
}

MeasurementReadResult readMeasurementFile(const QByteArray& bytes) {
    if (bytes.size() > kMeasurementFileLimit)
        return failed(QStringLiteral("Die Datei ist zu groß für eine Messung."));

    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || text.contains(QChar(0)))
        return failed(QStringLiteral("Die Datei ist keine Zentor-Messung (kein lesbarer Text)."));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    const auto parsedOrFailure = parse(text);
    if (const auto* failure = std::get_if<Failure>(&parsedOrFailure))
        return failed(failure->text);
    const Parsed& parsed = std::get<Parsed>(parsedOrFailure);

    const auto format = parsed.require(kFormatKey);
    if (const auto* failure = std::get_if<Failure>(&format))
        return failed(failure->text);
    bool ok = false;
    const int formatNumber = std::get<Entry>(format).value.toInt(&ok);
    if (!ok || formatNumber < 1)
        return failed(badValue(std::get<Entry>(format), kFormatKey).text);
    if (formatNumber > kMeasurementFormat)
        return failed(QStringLiteral("Die Messung stammt von einer neueren Programmversion "
                                     "(Format %1).")
                          .arg(formatNumber));

    MeasurementReadResult result;
    if (const Entry* takenAt = parsed.find(kTakenAtKey); takenAt && !takenAt->value.isEmpty()) {
        const QDateTime time = QDateTime::fromString(takenAt->value, Qt::ISODate);
        if (!time.isValid())
            return failed(
                atLine(takenAt->line,
                       QStringLiteral("\"%1\" ist kein gültiger Zeitpunkt.").arg(takenAt->value)));
        result.measurement.takenAt = time.toLocalTime();
    }

    const auto page = parsed.require(kPageKey);
    if (const auto* failure = std::get_if<Failure>(&page))
        return failed(failure->text);
    const Entry& pageEntry = std::get<Entry>(page);
    if (!parsed.hasValues)
        return failed(QStringLiteral("Der Abschnitt [Werte] fehlt."));
    if (!parsed.complete)
        return failed(QStringLiteral("Die Datei ist unvollständig: [Ende] fehlt."));

    auto take = [&result](auto&& read) -> MeasurementReadResult {
        if (const auto* failure = std::get_if<Failure>(&read))
            return failed(failure->text);
        result.measurement.data = std::move(std::get<0>(read));
        result.ok = true;
        return std::move(result);
    };
    if (pageEntry.value.compare(kRecorderPage, Qt::CaseInsensitive) == 0)
        return take(readRecorder(parsed));
    if (pageEntry.value.compare(kLoggerPage, Qt::CaseInsensitive) == 0)
        return take(readLogger(parsed));
    if (pageEntry.value.compare(kScopePage, Qt::CaseInsensitive) == 0)
        return take(readScope(parsed));
    return failed(badValue(pageEntry, kPageKey).text);
}

void replayRecording(Recorder& recorder, int durationItem,
                     const std::vector<RecorderSample>& samples) {
    recorder.start(durationItem);
    // The recorder clock restarts at the first sample, so the stored times,
    // which count from it, come back unchanged. The units only shape the
    // segments that take() returns, which nobody draws here.
    for (const RecorderSample& sample : samples) {
        const auto clock = static_cast<quint32>(sample.time);
        if (!recorder.take(sample.value, clock, true, kRecorderDefaultChannel))
            break;
        if (!recorder.proceed(clock))
            break;
    }
    recorder.stop();
}

} // namespace zentor
