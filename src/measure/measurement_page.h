// What the three measurement pages ("Zeitschreiber", "Extern Messen",
// "Oszilloskop") have in common, and all that the measurement files, the
// evaluation and the lab report need of them: the measurement shown, when it
// was taken, its chart and a picture of it. The commands of the "&Datei"
// menu and the "Auswertung" meet the pages only through this class.
#pragma once

#include "analysis_source.h"
#include "chart_geometry.h"
#include "measurement_file.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QStringList>
#include <QWidget>

class QKeyEvent;
class QPushButton;

class MeasurementPage : public QWidget, public zentor::AnalysisSource {
    Q_OBJECT

public:
    // When the measurement shown was taken (read from the board, recorded, or
    // the time stored in the file it was opened from); invalid before the
    // first one.
    QDateTime measuredAt() const { return m_measuredAt; }
    // Takes `time` as the time of the measurement shown; from then on the
    // page holds a measurement, even when `time` is invalid (a file without
    // a time).
    void setMeasuredAt(const QDateTime& time);
    // Whether the page shows a measurement to save, export or evaluate.
    virtual bool holdsMeasurement() const { return m_holdsMeasurement; }
    // Whether a measurement is under way that showing another one would
    // break into (a recording, the logger's countdown).
    virtual bool measuring() const { return false; }

    // The page's measurement: its values, the settings they were taken and
    // are shown with, and when they were taken.
    virtual zentor::Measurement measurement() const = 0;
    // Whether `m` is a measurement of this page's kind.
    virtual bool takes(const zentor::Measurement& m) const = 0;
    // Shows a stored measurement: its settings go into the page's controls,
    // its values into the page's store, and the chart is drawn again. False
    // when the page refuses it: one of another page's kind, or one that
    // would break into a measurement under way.
    virtual bool showMeasurement(const zentor::Measurement& m) = 0;
    // The page's chart as it is shown, drawn afresh at `scale` times the
    // screen's resolution (1 or 2); the picture is scale × the chart's size
    // in device pixels, and its resolution says so, so it prints at the size
    // seen.
    virtual QImage chartPicture(int scale) const = 0;
    // The CSV file of the measurement: the rows of "&Kopieren" under a header.
    QByteArray csv() const;
    // The clipboard lines of "&Kopieren", one per sample.
    virtual QStringList copyLines() const = 0;

    // ---- What the evaluation needs (zentor::AnalysisSource) ----
    // The page's chart: analysisChart(), declared there.
    bool offersAnalysis() const override { return true; }
    std::optional<zentor::Measurement> analysisMeasurement() const override;
    zentor::AnalysisTimeScale analysisTimeScale() const override { return {}; }
    // The chart redrawn, a line drawn between paints, or displayChanged().
    QList<QMetaObject::Connection>
    watchAnalysisData(QObject* receiver, const std::function<void()>& changed) const override;

signals:
    // Every line the page draws on its chart between paints, in chart units.
    void lineDrawn(const zentor::LineSegment& line);
    // The measurement is shown otherwise without a new drawing of the chart.
    void displayChanged();

protected:
    explicit MeasurementPage(QWidget* parent);
    ~MeasurementPage() override;

    // The button that Return and Enter press when no push button of the page
    // has the focus; nullptr where the keys do nothing of their own.
    virtual QPushButton* defaultButton() const { return nullptr; }
    // Enables the controls that start exchanges as the link allows: run at
    // every change of the link's commands; the page runs it once when it
    // is built.
    virtual void followLink() = 0;

    // Return and Enter press the focused push button, elsewhere on the page
    // the default button, when it is enabled: outside a dialog Qt gives a
    // default button nothing to do.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QMetaObject::Connection m_linkWatch;
    QDateTime m_measuredAt;
    bool m_holdsMeasurement = false;
};
