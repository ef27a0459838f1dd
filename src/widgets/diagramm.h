// TDiagramm: chart with linear or logarithmic axes, settable borders and
// markers. The recorder and the oscilloscope pages draw on it.
//
// A change of a visible property marks the picture out of date; it is
// rebuilt at the next paint (see ChartWidgetBase for the painting model).
// Defaults: 300 x 200 pixels, background in the system's window colour
// (QPalette::Base), grey grid, black text, maroon markers, green lines,
// captions "X-Achse", "Y-Achse", "Titel", both axes 0 to 100 with automatic
// division, borders 50/30/30/50 (left, top, right, bottom), linear axes,
// diamond markers of half-size 3.
#pragma once

#include "chart_widget.h"

// Axis types: x linear or logarithmic, y linear or logarithmic.
enum TDiaType { XLinYLin = 0, XLinYLog = 1, XLogYLin = 2, XLogYLog = 3 };

// The axis mode bits (chart::kLogX, chart::kLogY) of an axis type.
constexpr int axisModeOf(TDiaType t) {
    switch (t) {
    case XLinYLog:
        return chart::kLogY;
    case XLogYLin:
        return chart::kLogX;
    case XLogYLog:
        return chart::kLogX | chart::kLogY;
    case XLinYLin:
        break;
    }
    return 0;
}

class TDiagramm : public ChartWidgetBase {
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
    Q_PROPERTY(double Xmin READ Xmin WRITE setXmin)
    Q_PROPERTY(double Xmax READ Xmax WRITE setXmax)
    Q_PROPERTY(double Xdiv READ Xdiv WRITE setXdiv)
    Q_PROPERTY(double Ymin READ Ymin WRITE setYmin)
    Q_PROPERTY(double Ymax READ Ymax WRITE setYmax)
    Q_PROPERTY(double Ydiv READ Ydiv WRITE setYdiv)
    Q_PROPERTY(int BorderLeft READ BorderLeft WRITE setBorderLeft)
    Q_PROPERTY(int BorderRight READ BorderRight WRITE setBorderRight)
    Q_PROPERTY(int BorderTop READ BorderTop WRITE setBorderTop)
    Q_PROPERTY(int BorderBottom READ BorderBottom WRITE setBorderBottom)
    Q_PROPERTY(int Typ READ typValue WRITE setTyp)
    Q_PROPERTY(unsigned Marker READ markerBits WRITE setMarkerBits)
    Q_PROPERTY(int MarkerGroesse READ MarkerGroesse WRITE setMarkerGroesse)

public:
    explicit TDiagramm(QWidget* parent = nullptr);

    // Plot borders in pixels between the widget's edges and the plot area.
    int BorderLeft() const { return m_borderLeft; }
    void setBorderLeft(int v);
    int BorderRight() const { return m_borderRight; }
    void setBorderRight(int v);
    int BorderTop() const { return m_borderTop; }
    void setBorderTop(int v);
    int BorderBottom() const { return m_borderBottom; }
    void setBorderBottom(int v);

    // Axis type; takes effect for DrawLine/ToPixel at once, for the axes at
    // the next paint.
    TDiaType Typ() const { return m_typ; }
    void setTyp(TDiaType t);
    // The stored number of the type (0..3), as a window description gives it.
    void setTyp(int t) { setTyp(static_cast<TDiaType>(t & 3)); }

    // Marker kinds drawn by DrawMarker, and their half-size in pixels
    // (negative sizes are ignored). Changing the size or ColorPoint/ColorLine
    // does not repaint: it applies to the next drawing.
    TMarkerOptions Marker() const { return m_marker; }
    void setMarker(TMarkerOptions m);
    int MarkerGroesse() const { return m_markerGroesse; }
    void setMarkerGroesse(int s);

protected:
    void changed(Change what) override;
    Borders borders() const override;
    void drawSample() override;
    TMarkerOptions markerKinds() const override { return m_marker; }
    int markerSize() const override { return m_markerGroesse; }
    bool circleFirst() const override { return true; }

private:
    int typValue() const { return m_typ; }
    unsigned markerBits() const { return m_marker.bits(); }
    void setMarkerBits(unsigned b) { setMarker(TMarkerOptions::fromBits(b)); }
    void setBorder(int& field, int v);

    int m_borderLeft = 50, m_borderRight = 30, m_borderTop = 30, m_borderBottom = 50;
    TDiaType m_typ = XLinYLin;
    TMarkerOptions m_marker{mtRaute};
    int m_markerGroesse = 3;
};
