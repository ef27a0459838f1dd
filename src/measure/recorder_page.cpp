#include "recorder_page.h"

#include "announcer.h"
#include "comphard.h"
#include "diagramm.h"
#include "link.h"
#include "measurement_exchange.h"
#include "measurement_file.h"
#include "measurement_pages.h"
#include "shell.h"
#include "text_export.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <chrono>

namespace {

const QColor kChartColor(1, 101, 118);  // dark cyan
const QColor kChartGrid(192, 192, 192); // silver
const QColor kChartText(Qt::white);
const QColor kChartPoint(128, 0, 0); // maroon
const QColor kChartLine(Qt::yellow);

constexpr int kStripHeight = 34;

quint32 systemMilliseconds() {
    using namespace std::chrono;
    // Only differences are used; the truncation to 32 bits wraps like the
    // system's millisecond time.
    return static_cast<quint32>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

RecorderPage::RecorderPage(Shell& shell, QTimer& timer, QWidget* parent)
    : MeasurementPage(parent), ytstart(new QPushButton(this)), timeyt(new QComboBox(this)),
      ytdauer(new QCheckBox(this)), CheckBox2(new QCheckBox(this)), ytchannel(new QComboBox(this)),
      Label16(new QLabel(this)), Label17(new QLabel(this)), ytdiagram(new TDiagramm(this)),
      ytmemo(new QPlainTextEdit(this)), m_shell(shell), yttimer(timer) {
    buildControls();
    // The interval is 20 ms for the short recordings: a coarse timer would
    // stretch it by up to 5 %.
    yttimer.setTimerType(Qt::PreciseTimer);
    connect(&yttimer, &QTimer::timeout, this, &RecorderPage::yttimerTimer);
    connect(ytstart, &QPushButton::clicked, this, &RecorderPage::ytstartClick);
    connect(timeyt, &QComboBox::currentIndexChanged, this, &RecorderPage::timeytChange);
    connect(ytchannel, &QComboBox::currentIndexChanged, this, &RecorderPage::ytchannelChange);
    connect(CheckBox2, &QCheckBox::toggled, this, &RecorderPage::CheckBox2Click);
    connect(ytdiagram, &TDiagramm::OnPainted, this, &RecorderPage::ytdiagramPainted);
    zentor::installChartHover(*this, m_shell);
    followLink();
}

void RecorderPage::buildControls() {
    ytdiagram->setObjectName(QStringLiteral("ytdiagram"));
    ytdiagram->setColor(kChartColor);
    ytdiagram->setColorGrid(kChartGrid);
    ytdiagram->setColorText(kChartText);
    ytdiagram->setColorPoint(kChartPoint);
    ytdiagram->setColorLine(kChartLine);
    ytdiagram->setSample(false);
    ytdiagram->setCaptionX(QStringLiteral("X-Achse"));
    ytdiagram->setCaptionY(QStringLiteral("Volt"));
    ytdiagram->setCaption(QStringLiteral("Titel"));
    ytdiagram->setXmax(zentor::recorderXmax(zentor::recorderRow(zentor::kRecorderDefaultItem)));
    ytdiagram->setYmax(5);
    ytdiagram->setBorderLeft(50);
    ytdiagram->setBorderRight(25);
    ytdiagram->setBorderTop(25);
    ytdiagram->setBorderBottom(25);
    ytdiagram->setMarker({mtRaute});

    ytstart->setObjectName(QStringLiteral("ytstart"));
    ytstart->setText(zentor::kRecorderStartCaption.toString());
    ytstart->setToolTip(QStringLiteral("Startet eine Online-Messung"));
    ytstart->setDefault(true);

    Label16->setObjectName(QStringLiteral("Label16"));
    Label16->setText(QStringLiteral("Messdauer:"));
    timeyt->setObjectName(QStringLiteral("timeyt"));
    for (const auto& row : zentor::kRecorderRows)
        timeyt->addItem(row.itemText.toString());
    timeyt->setCurrentIndex(zentor::kRecorderDefaultItem);
    Label16->setBuddy(timeyt);

    ytdauer->setObjectName(QStringLiteral("ytdauer"));
    ytdauer->setText(QStringLiteral("&Autoneustart"));
    ytdauer->setToolTip(QStringLiteral("Messung beginnt automatisch von vorn"));
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setText(QStringLiteral("Anzeige in &Volt"));
    CheckBox2->setChecked(true);

    Label17->setObjectName(QStringLiteral("Label17"));
    Label17->setText(QStringLiteral("Eingang:"));
    Label17->hide();
    ytchannel->setObjectName(QStringLiteral("ytchannel"));
    for (const auto& row : zentor::kRecorderChannels)
        ytchannel->addItem(row.itemText.toString());
    ytchannel->setCurrentIndex(0);
    ytchannel->setEnabled(false);
    ytchannel->hide();

    ytmemo->setObjectName(QStringLiteral("ytmemo"));
    ytmemo->setPlainText(QStringLiteral("ytmemo"));
    ytmemo->hide();

    auto* strip = new QHBoxLayout;
    strip->setContentsMargins(8, 4, 8, 4);
    strip->setSpacing(8);
    strip->addWidget(Label16);
    strip->addWidget(timeyt);
    strip->addSpacing(12);
    strip->addWidget(ytdauer);
    strip->addWidget(CheckBox2);
    strip->addSpacing(12);
    strip->addWidget(Label17);
    strip->addWidget(ytchannel);
    strip->addStretch(1);
    strip->addWidget(ytstart);

    auto* stripHolder = new QWidget(this);
    stripHolder->setFixedHeight(kStripHeight);
    stripHolder->setLayout(strip);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(ytdiagram, 1);
    page->addWidget(stripHolder);
}

// ---- Start and stop ------------------------------------------------------------

QPushButton* RecorderPage::defaultButton() const {
    return ytstart;
}

void RecorderPage::ytstartClick() {
    if (ytstart->text() != zentor::kRecorderStartCaption) {
        // A recording runs: stop it. The stored samples stay.
        yttimer.stop();
        m_recorder.stop();
        m_readingOwed = false;
        timeyt->setEnabled(true);
        ytchannel->setEnabled(true);
        showStartCaption(zentor::kRecorderStartCaption);
        followLink();
        emit recordingEnded();
        return;
    }

    const int item = timeyt->currentIndex();
    zentor::Link::instance()
        .run([] { return zentor::bringBoardIntoStep(); }, zentor::Link::Kind::Cancellable)
        .then(this, [this, item](const QString& answer) {
            // Given up while the board was looked for: no recording.
            if (answer == QLatin1String(zentor::kCancelledText))
                m_shell.setStatusText(answer);
            else
                beginRecording(item, answer);
        });
}

void RecorderPage::beginRecording(int item, const QString& answer) {
    // The recording starts whatever the answer: failed readings only skip
    // their ticks.
    m_shell.setStatusText(answer);

    const qint32 interval = m_recorder.start(item);
    m_recordingItem = item;
    m_readingsFail = false;
    setMeasuredAt(zentor::measurementTimeNow());
    m_readingOwed = false;
    ytdiagram->Invalidate(); // the count is 0 now, so the repaint clears the trace

    yttimer.setInterval(interval);
    timeyt->setEnabled(false);
    yttimer.start();
    showStartCaption(zentor::kRecorderStopCaption);
    followLink();
    emit recordingStarted();
}

void RecorderPage::endRecording() {
    yttimer.stop();
    timeyt->setEnabled(true);
    ytchannel->setEnabled(true);
    showStartCaption(zentor::kRecorderStartCaption);
    followLink();
    emit recordingEnded();
    if (ytdauer->isChecked())
        ytstartClick();
}

// Orca does not follow a new caption of the button it is on: while "Start"
// has the focus its new caption is said, "Stop" as the recording begins and
// "Start" when it is over.
void RecorderPage::showStartCaption(QStringView caption) {
    ytstart->setText(caption.toString());
    if (ytstart->hasFocus())
        zentor::access::announce(*ytstart, caption.toString().remove(u'&'));
}

void RecorderPage::followLink() {
    ytstart->setEnabled(m_recorder.isRecording() || !zentor::Link::instance().commandRunning());
}

// ---- Sampling ------------------------------------------------------------------

void RecorderPage::yttimerTimer() {
    if (!m_recorder.isRecording()) {
        yttimer.stop(); // a tick left over after the end
        return;
    }
    // A reading takes longer than the shortest interval. A tick that comes
    // while the last reading still runs is remembered, and its reading
    // follows as soon as that one is in: the recorder keeps pace with the
    // line.
    m_readingOwed = true;
    takeOwedReading();
}

void RecorderPage::takeOwedReading() {
    if (!m_readingOwed || m_readingRunning || !m_recorder.isRecording())
        return;
    m_readingOwed = false;
    m_readingRunning = true;
    zentor::Link::instance()
        .run([] { return comphard::ReadAnalog(); }, zentor::Link::Kind::Poll)
        .then(this, [this](int reading) {
            m_readingRunning = false;
            // The time stamp is taken now, as the reading arrives.
            if (m_recorder.isRecording())
                recordReading(reading);
            takeOwedReading();
        });
}

void RecorderPage::recordReading(int reading) {
    const bool volts = CheckBox2->isChecked();
    const auto taken = m_recorder.take(reading, clockNow(), volts, RecorderChannel);
    const bool failed = !taken && m_recorder.isRecording();
    if (failed != m_readingsFail) {
        m_readingsFail = failed;
        m_shell.setStatusText(
            (failed ? zentor::kRecorderReadFailedText : zentor::kRecorderReadingAgainText)
                .toString());
    }
    if (!taken)
        return; // a failed reading: nothing stored, the end is not examined

    if (m_buffer != nullptr) {
        // The index equals the count; at the 1500 budget that is one past the
        // end, and the store refuses it: that last sample is drawn only.
        m_buffer->store(m_recorder.count(), taken->sample);
    }
    if (taken->segment)
        drawLine(*taken->segment);

    if (!m_recorder.proceed(clockNow()))
        endRecording();
    else
        emit sampleCounted(taken->sample);
}

const zentor::RecorderBuffer& RecorderPage::samples() const {
    return m_buffer != nullptr ? *m_buffer : m_recorder.buffer();
}

int RecorderPage::recordingItem() const {
    return m_recordingItem >= 0 ? m_recordingItem : timeyt->currentIndex();
}

bool RecorderPage::loadRecording(const std::vector<zentor::RecorderSample>& stored,
                                 const QDateTime& measuredAt) {
    if (m_recorder.isRecording())
        return false;
    const int item = timeyt->currentIndex();
    zentor::replayRecording(m_recorder, item, stored);
    if (m_buffer != nullptr) {
        for (int i = 0; i < m_recorder.count(); ++i)
            m_buffer->store(i, m_recorder.buffer()[i]);
    }
    m_recordingItem = item;
    setMeasuredAt(measuredAt);
    ytdiagram->Invalidate();
    return true;
}

void RecorderPage::setRecorderClock(Clock clock) {
    m_clock = std::move(clock);
}

quint32 RecorderPage::clockNow() const {
    return m_clock ? m_clock() : systemMilliseconds();
}

// ---- Axes and drawing ------------------------------------------------------------

void RecorderPage::timeytChange() {
    // Only the chart follows at once; the recording parameters are taken at
    // the next start.
    const zentor::RecorderRow& row = zentor::recorderRow(timeyt->currentIndex());
    ytdiagram->setXmax(zentor::recorderXmax(row));
    ytdiagram->setXdiv(row.xdiv);
}

void RecorderPage::ytchannelChange() {
    RecorderChannel = zentor::recorderChannelCode(ytchannel->currentIndex());
    CheckBox2Click();
}

void RecorderPage::CheckBox2Click() {
    const zentor::ChartYAxis axis = zentor::recorderYAxis(RecorderChannel, CheckBox2->isChecked());
    ytdiagram->setTyp(XLinYLin);
    ytdiagram->setYmin(axis.ymin);
    ytdiagram->setYmax(axis.ymax);
    ytdiagram->setYdiv(axis.ydiv);
    ytdiagram->setCaptionY(axis.captionY.toString());
    // The repaint draws the whole stored trace in the new units.
    ytdiagram->Invalidate();
}

void RecorderPage::ytdiagramPainted(QObject* /*Sender*/) {
    // The same lines as zentor::recorderTrace, with the y value of each of
    // the 256 raw readings worked out once: the conversion also formats a
    // status text, which would cost more than the whole drawing when done
    // for every point of a 1500-sample trace.
    const bool volts = CheckBox2->isChecked();
    std::array<double, 256> y{};
    for (int raw = 0; raw < 256; ++raw)
        y[static_cast<std::size_t>(raw)] = zentor::recorderY(raw, volts, RecorderChannel);

    const zentor::RecorderBuffer& stored = samples();
    const int count = std::min(m_recorder.count(), zentor::RecorderBuffer::kSize);
    for (int i = 1; i < count; ++i) {
        const zentor::RecorderSample& from = stored[i - 1];
        const zentor::RecorderSample& to = stored[i];
        drawLine({from.time / 1000.0, y[from.value], to.time / 1000.0, y[to.value]});
    }
}

void RecorderPage::drawLine(const zentor::LineSegment& line) {
    ytdiagram->DrawLine(line.x1, line.y1, line.x2, line.y2);
    emit lineDrawn(line);
}

// ---- Copy as text ------------------------------------------------------------------

QStringList RecorderPage::copyLines() const {
    const QString text = zentor::recorderExportText(samples(), m_recorder.count(),
                                                    CheckBox2->isChecked(), RecorderChannel);
    return text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}
