#include "measurement_pages.h"

#include "amm.h"
#include "diagram.h"
#include "diagramm.h"
#include "link.h"
#include "logger_page.h"
#include "measurement_lookup.h"
#include "recorder_page.h"
#include "scope_page.h"
#include "shell.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QMetaProperty>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace zentor {

namespace {

// ---- Pictures ------------------------------------------------------------------------

// A copy of a widget that takes itself for a screen of the given pixel
// ratio. The charts and the meter build their cached pictures at the
// widget's ratio; a copy at twice the ratio draws every line and letter at
// twice the resolution instead of enlarging the picture on screen.
template <typename Widget> class ScaledCopy final : public Widget {
public:
    explicit ScaledCopy(qreal ratio) : m_ratio(ratio) {}

protected:
    int metric(QPaintDevice::PaintDeviceMetric m) const override {
        if (m == QPaintDevice::PdmDevicePixelRatio)
            return static_cast<int>(std::lround(m_ratio));
        if (m == QPaintDevice::PdmDevicePixelRatioScaled)
            return static_cast<int>(std::lround(m_ratio * QPaintDevice::devicePixelRatioFScale()));
        return Widget::metric(m);
    }

private:
    qreal m_ratio;
};

// The properties the widget class declares (colours, captions, ranges,
// borders, ...), the font and the size.
void copyLook(const QWidget& from, QWidget& to) {
    const QMetaObject* meta = from.metaObject();
    for (int i = QWidget::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (property.isReadable() && property.isWritable())
            property.write(&to, property.read(&from));
    }
    to.setPalette(from.palette());
    to.setFont(from.font());
    to.resize(from.size());
}

template <typename Widget> std::unique_ptr<Widget> scaledCopy(const Widget& source, qreal ratio) {
    auto copy = std::make_unique<ScaledCopy<Widget>>(ratio);
    copyLook(source, *copy);
    return copy;
}

QImage render(QWidget& copy, qreal ratio) {
    QImage picture((QSizeF(copy.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    picture.fill(copy.palette().color(QPalette::Window));
    copy.render(&picture);
    // 96 pixels per inch on a screen of ratio 1: the picture prints at the
    // size it has on the screen, whatever its ratio.
    constexpr double kScreenDotsPerMetre = 96 / 0.0254;
    const int dots = static_cast<int>(std::lround(kScreenDotsPerMetre * ratio));
    picture.setDotsPerMeterX(dots);
    picture.setDotsPerMeterY(dots);
    picture.setDevicePixelRatio(1);
    return picture;
}

qreal pictureRatio(const QWidget& widget, int scale) {
    return widget.devicePixelRatioF() * std::max(1, scale);
}

// The chart of a page drawn afresh, with the page's lines from `lines`.
template <typename Chart>
QImage chartPictureWith(const Chart& chart, int scale,
                        const std::function<std::vector<LineSegment>(const Chart&)>& lines) {
    const qreal ratio = pictureRatio(chart, scale);
    auto copy = scaledCopy(chart, ratio);
    Chart* target = copy.get();
    QObject::connect(target, &ChartWidgetBase::OnPainted, target, [target, &lines] {
        for (const LineSegment& line : lines(*target))
            target->DrawLine(line.x1, line.y1, line.x2, line.y2);
    });
    return render(*copy, ratio);
}

// ---- Hover read-out ----------------------------------------------------------------

class ChartHover : public QObject {
public:
    // Sample positions in chart units (x), and the status text of sample i.
    using Positions = std::function<std::vector<double>()>;
    using Text = std::function<QString(int)>;

    ChartHover(ChartWidgetBase* chart, Shell& shell, Positions positions, Text text)
        : QObject(chart), m_chart(chart), m_shell(shell), m_positions(std::move(positions)),
          m_text(std::move(text)) {
        chart->setMouseTracking(true);
        chart->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_chart) {
            switch (event->type()) {
            case QEvent::MouseMove:
                pointerAt(static_cast<QMouseEvent*>(event)->position().toPoint());
                break;
            case QEvent::Leave:
            case QEvent::Hide:
                leave();
                break;
            default:
                break;
            }
        }
        return false; // the chart sees every event as before
    }

private:
    void pointerAt(QPoint pos) {
        if (Link::instance().commandRunning())
            return; // the status bar tells about the exchange now
        const chart::ChartScale& scale = m_chart->scale();
        const QRect plot(scale.left, scale.top, scale.width + 1, scale.height + 1);
        if (scale.width <= 0 || scale.height <= 0 || !plot.contains(pos)) {
            leave();
            return;
        }
        const std::vector<double> positions = m_positions();
        std::vector<double> columns;
        columns.reserve(positions.size());
        for (double x : positions)
            columns.push_back(m_chart->ToPixelX(x));
        const std::optional<int> nearest = nearestSampleIndex(columns, pos.x());
        if (!nearest) {
            leave();
            return;
        }
        const QString text = m_text(*nearest);
        const QString current = m_shell.statusText();
        if (!m_showing || current != m_shown)
            m_before = current; // what to put back when the pointer leaves
        m_showing = true;
        m_shown = text;
        if (current != text)
            m_shell.setStatusText(text);
    }

    void leave() {
        if (!m_showing)
            return;
        m_showing = false;
        // A window that is being hidden (closed, or destroyed while shown)
        // sends its charts Hide and Leave events; its status bar is going
        // away, and the main window behind the shell may be half destroyed.
        if (!m_chart->window()->isVisible())
            return;
        if (m_shell.statusText() == m_shown)
            m_shell.setStatusText(m_before);
    }

    ChartWidgetBase* m_chart;
    Shell& m_shell;
    Positions m_positions;
    Text m_text;
    bool m_showing = false;
    QString m_shown;
    QString m_before;
};

// Sample positions 0, dx, 2 dx, ... for `count` samples over `intervals`
// intervals of a chart of width xmax.
std::vector<double> evenPositions(int count, int intervals, double xmax) {
    std::vector<double> positions;
    positions.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        positions.push_back(i * xmax / intervals);
    return positions;
}

int recorderCount(const RecorderPage& page) {
    return std::clamp(page.sampleCount(), 0, RecorderBuffer::kSize);
}

int channelItem(int channelCode) {
    for (std::size_t i = 0; i < kRecorderChannels.size(); ++i) {
        if (kRecorderChannels[i].code == channelCode)
            return static_cast<int>(i);
    }
    return 0;
}

QRadioButton* timeBaseButton(const ScopePage& page, qint32 timeBase) {
    const std::array<QRadioButton*, kScopeTimeBases.size()> buttons{
        page.RadioButton1, page.RadioButton2, page.RadioButton3, page.RadioButton4,
        page.RadioButton5};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (kScopeTimeBases[i].factor == timeBase)
            return buttons[i];
    }
    return nullptr;
}

std::vector<LineSegment> recorderLines(const RecorderPage& page) {
    return recorderTrace(page.samples(), page.sampleCount(), page.CheckBox2->isChecked(),
                         page.RecorderChannel);
}

} // namespace

} // namespace zentor

// ---- Measurements ---------------------------------------------------------------------

bool RecorderPage::holdsMeasurement() const {
    return sampleCount() > 0;
}

zentor::Measurement RecorderPage::measurement() const {
    zentor::RecorderMeasurement m;
    m.durationItem = recordingItem();
    m.channelCode = RecorderChannel;
    m.volts = CheckBox2->isChecked();
    const int count = zentor::recorderCount(*this);
    m.samples.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        m.samples.push_back(samples()[i]);
    return {measuredAt(), std::move(m)};
}

bool RecorderPage::takes(const zentor::Measurement& m) const {
    return std::holds_alternative<zentor::RecorderMeasurement>(m.data);
}

bool RecorderPage::showMeasurement(const zentor::Measurement& stored) {
    const auto* m = std::get_if<zentor::RecorderMeasurement>(&stored.data);
    if (m == nullptr || isRecording())
        return false;
    {
        const QSignalBlocker blocker(timeyt);
        timeyt->setCurrentIndex(m->durationItem);
    }
    timeytChange();
    {
        const QSignalBlocker blocker(ytchannel);
        ytchannel->setCurrentIndex(zentor::channelItem(m->channelCode));
    }
    RecorderChannel = m->channelCode;
    {
        const QSignalBlocker blocker(CheckBox2);
        CheckBox2->setChecked(m->volts);
    }
    CheckBox2Click(); // the y axis of the channel and units
    return loadRecording(m->samples, stored.takenAt);
}

ChartWidgetBase& RecorderPage::analysisChart() const {
    return *ytdiagram;
}

bool LoggerPage::measuring() const {
    return Timer2.isActive();
}

zentor::Measurement LoggerPage::measurement() const {
    zentor::LoggerMeasurement m;
    m.durationItem = ComboBox16->currentIndex();
    m.inputItem = ComboBox17->currentIndex();
    m.values = loggerValues();
    return {measuredAt(), m};
}

bool LoggerPage::takes(const zentor::Measurement& m) const {
    return std::holds_alternative<zentor::LoggerMeasurement>(m.data);
}

bool LoggerPage::showMeasurement(const zentor::Measurement& stored) {
    const auto* m = std::get_if<zentor::LoggerMeasurement>(&stored.data);
    if (m == nullptr)
        return false;
    {
        const QSignalBlocker blocker(ComboBox16);
        ComboBox16->setCurrentIndex(zentor::loggerDurationItem(m->durationItem));
    }
    ComboBox16Change();
    {
        const QSignalBlocker blocker(ComboBox17);
        ComboBox17->setCurrentIndex(m->inputItem == zentor::kLoggerInputDigital
                                        ? zentor::kLoggerInputDigital
                                        : zentor::kLoggerInputAnalog);
    }
    ComboBox17Change();
    loggerValues() = m->values;
    setMeasuredAt(stored.takenAt);
    Diagram1->Invalidate();
    return true;
}

ChartWidgetBase& LoggerPage::analysisChart() const {
    return *Diagram1;
}

bool LoggerPage::offersAnalysis() const {
    return ComboBox17->currentIndex() != zentor::kLoggerInputDigital;
}

zentor::AnalysisTimeScale LoggerPage::analysisTimeScale() const {
    // The x axis runs over the measuring time in seconds, minutes or hours.
    const double perSecond =
        Diagram1->Xmax() / zentor::loggerSummary(ComboBox16->currentIndex()).durationSeconds;
    const QString unit = perSecond > 0.1    ? QStringLiteral("s")
                         : perSecond > 0.01 ? QStringLiteral("min")
                                            : QStringLiteral("h");
    return {perSecond, unit, perSecond};
}

zentor::Measurement ScopePage::measurement() const {
    zentor::ScopeMeasurement m;
    m.timeBase = ScopeTimeBase;
    m.volts = CheckBox4->isChecked();
    m.values = ScopeValues;
    return {measuredAt(), m};
}

bool ScopePage::takes(const zentor::Measurement& m) const {
    return std::holds_alternative<zentor::ScopeMeasurement>(m.data);
}

bool ScopePage::showMeasurement(const zentor::Measurement& stored) {
    const auto* m = std::get_if<zentor::ScopeMeasurement>(&stored.data);
    if (m == nullptr)
        return false;
    CheckBox3->setChecked(false);
    if (QRadioButton* button = zentor::timeBaseButton(*this, m->timeBase))
        button->setChecked(true);
    ScopeTimeBase = m->timeBase;
    OSZI->setXmax(zentor::scopeXmax(m->timeBase));
    OSZI->setCaptionX(zentor::kScopeCaptionX.toString());
    {
        const QSignalBlocker blocker(CheckBox4);
        CheckBox4->setChecked(m->volts);
    }
    CheckBox4Click(); // the y axis; draws the chart again
    ScopeValues = m->values;
    setMeasuredAt(stored.takenAt);
    OSZI->Invalidate();
    return true;
}

ChartWidgetBase& ScopePage::analysisChart() const {
    return *OSZI;
}

zentor::AnalysisTimeScale ScopePage::analysisTimeScale() const {
    // OSZI spreads the 100 intervals over Xmax ms, whatever time base they were taken at.
    return {OSZI->Xmax() * 1000 / (100.0 * std::max(1, ScopeTimeBase)), QStringLiteral("ms"), 1000};
}

// ---- Pictures -----------------------------------------------------------------------

QImage RecorderPage::chartPicture(int scale) const {
    return zentor::chartPictureWith<TDiagramm>(
        *ytdiagram, scale, [this](const TDiagramm&) { return zentor::recorderLines(*this); });
}

QImage LoggerPage::chartPicture(int scale) const {
    return zentor::chartPictureWith<TDiagram>(*Diagram1, scale, [this](const TDiagram& chart) {
        return zentor::loggerTrace(loggerValues(), ComboBox17->currentIndex(), chart.Xmax());
    });
}

QImage ScopePage::chartPicture(int scale) const {
    return zentor::chartPictureWith<TDiagramm>(*OSZI, scale, [this](const TDiagramm& chart) {
        return zentor::scopeTrace(ScopeValues, chart.Xmax(), CheckBox4->isChecked());
    });
}

namespace zentor {

QImage widgetPicture(QWidget& widget, int scale) {
    const qreal ratio = pictureRatio(widget, scale);
    if (const auto* meter = qobject_cast<const TAnal*>(&widget)) {
        auto copy = scaledCopy(*meter, ratio);
        return render(*copy, ratio);
    }
    if (const auto* chart = qobject_cast<const TDiagramm*>(&widget)) {
        auto copy = scaledCopy(*chart, ratio);
        return render(*copy, ratio);
    }
    if (const auto* chart = qobject_cast<const TDiagram*>(&widget)) {
        auto copy = scaledCopy(*chart, ratio);
        return render(*copy, ratio);
    }
    // Any other widget as it is on the screen, enlarged where asked.
    QImage picture = widget.grab().toImage();
    if (scale > 1)
        picture =
            picture.scaled(picture.size() * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return picture;
}

QByteArray pngBytes(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG"))
        return {};
    return bytes;
}

// ---- Hover read-out -------------------------------------------------------------------

void installChartHover(RecorderPage& page, Shell& shell) {
    const RecorderPage* p = &page;
    new ChartHover(
        page.ytdiagram, shell,
        [p] {
            std::vector<double> positions;
            const int count = recorderCount(*p);
            positions.reserve(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i)
                positions.push_back(p->samples()[i].time / 1000.0);
            return positions;
        },
        [p](int i) {
            return recorderHoverText(p->samples()[i], p->CheckBox2->isChecked(),
                                     p->RecorderChannel);
        });
}

void installChartHover(LoggerPage& page, Shell& shell) {
    const LoggerPage* p = &page;
    new ChartHover(
        page.Diagram1, shell,
        [p] { return evenPositions(kLoggerChartSamples, kLoggerIntervals, p->Diagram1->Xmax()); },
        [p](int i) {
            return loggerHoverText(i, p->loggerValues()[static_cast<std::size_t>(i)],
                                   loggerSummary(p->ComboBox16->currentIndex()).intervalSeconds,
                                   p->ComboBox17->currentIndex());
        });
}

void installChartHover(ScopePage& page, Shell& shell) {
    const ScopePage* p = &page;
    new ChartHover(
        page.OSZI, shell,
        [p] { return evenPositions(kScopeSampleCount, kScopeSampleCount - 1, p->OSZI->Xmax()); },
        [p](int i) {
            return scopeHoverText(i, p->ScopeValues[static_cast<std::size_t>(i)], p->OSZI->Xmax(),
                                  p->CheckBox4->isChecked());
        });
}

} // namespace zentor
