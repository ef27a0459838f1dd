// TDiagram: the sampled chart of the logger page. Both axes are linear, the
// borders are fixed (left 60, top 30, right 30, bottom 50), the markers are
// diamonds of half-size 4. In the display mode md05 the y axis becomes the
// lanes of the six port bits: a grid line and a label at each division
// strictly below Ymax, the labels half a text height above their lines, a
// top edge, and CaptionY read horizontally beside the top-left corner.
//
// Unlike TDiagramm, a changed Color, ColorGrid, ColorText, Sample, DiaMode
// or range rebuilds the picture at once while the chart is visible
// (OnPainted included); CaptionX, CaptionY and Caption are only stored and
// show at the next rebuild. Defaults as TDiagramm, plus DiaMode mdNormal.
#pragma once

#include "chart_widget.h"

enum TDiaMode { mdNormal = 0, md05 = 1 };

class TDiagram : public ChartWidgetBase {
    Q_OBJECT
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(QColor ColorGrid READ ColorGrid WRITE setColorGrid)
    Q_PROPERTY(QColor ColorText READ ColorText WRITE setColorText)
    Q_PROPERTY(QColor ColorPoint READ ColorPoint WRITE setColorPoint)
    Q_PROPERTY(QColor ColorLine READ ColorLine WRITE setColorLine)
    Q_PROPERTY(bool Sample READ Sample WRITE setSample)
    Q_PROPERTY(QString CaptionX READ CaptionX WRITE setCaptionX)
    Q_PROPERTY(QString CaptionY READ CaptionY WRITE setCaptionY)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(int DiaMode READ diaModeValue WRITE setDiaMode)
    Q_PROPERTY(double Xmin READ Xmin WRITE setXmin)
    Q_PROPERTY(double Xmax READ Xmax WRITE setXmax)
    Q_PROPERTY(double Xdiv READ Xdiv WRITE setXdiv)
    Q_PROPERTY(double Ymin READ Ymin WRITE setYmin)
    Q_PROPERTY(double Ymax READ Ymax WRITE setYmax)
    Q_PROPERTY(double Ydiv READ Ydiv WRITE setYdiv)

public:
    static constexpr int kBorderLeft = 60;
    static constexpr int kBorderTop = 30;
    static constexpr int kBorderRight = 30;
    static constexpr int kBorderBottom = 50;
    static constexpr int kMarkerSize = 4;

    explicit TDiagram(QWidget* parent = nullptr);

    TDiaMode DiaMode() const { return m_diaMode; }
    void setDiaMode(TDiaMode m);
    // The stored number of the mode, as a window description gives it.
    void setDiaMode(int m) { setDiaMode(m == md05 ? md05 : mdNormal); }

protected:
    void changed(Change what) override;
    Borders borders() const override;
    chart::AxisLayout yAxis(const chart::ChartScale& s, chart::TextMetrics m) const override;
    void drawSample() override;
    TMarkerOptions markerKinds() const override { return {mtRaute}; }
    int markerSize() const override { return kMarkerSize; }
    bool circleFirst() const override { return false; }

private:
    int diaModeValue() const { return m_diaMode; }

    TDiaMode m_diaMode = mdNormal;
};
