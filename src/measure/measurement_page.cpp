#include "measurement_page.h"

#include "chart_widget.h"
#include "link.h"
#include "measurement_csv.h"

#include <QKeyEvent>
#include <QPushButton>

MeasurementPage::MeasurementPage(QWidget* parent) : QWidget(parent) {
    m_linkWatch = connect(&zentor::Link::instance(), &zentor::Link::commandsRunningChanged, this,
                          [this] { followLink(); });
}

// The page that followed the link is gone by now.
MeasurementPage::~MeasurementPage() {
    disconnect(m_linkWatch);
}

void MeasurementPage::setMeasuredAt(const QDateTime& time) {
    m_measuredAt = time;
    m_holdsMeasurement = true;
}

QByteArray MeasurementPage::csv() const {
    return zentor::measurementCsvBytes(measurement());
}

std::optional<zentor::Measurement> MeasurementPage::analysisMeasurement() const {
    if (!holdsMeasurement())
        return std::nullopt;
    return measurement();
}

QList<QMetaObject::Connection>
MeasurementPage::watchAnalysisData(QObject* receiver, const std::function<void()>& changed) const {
    return {connect(&analysisChart(), &ChartWidgetBase::OnPainted, receiver, changed),
            connect(this, &MeasurementPage::lineDrawn, receiver, changed),
            connect(this, &MeasurementPage::displayChanged, receiver, changed)};
}

void MeasurementPage::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    QPushButton* fallback = defaultButton();
    if (!enter || fallback == nullptr) {
        QWidget::keyPressEvent(event);
        return;
    }
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    QPushButton* button = focused != nullptr ? focused : fallback;
    if (button->isEnabled())
        button->click();
}
