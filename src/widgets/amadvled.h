// TAMAdvLed: a 13 × 13 pixel on/off lamp of one of sixteen shapes, tinted
// with an on or an off colour, on the background of its parent.
#pragma once

#include "click_tracker.h"

#include <QColor>
#include <QImage>
#include <QWidget>

class TAMAdvLed : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TBorder BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(QColor ColorOff READ ColorOff WRITE setColorOff)
    Q_PROPERTY(QColor ColorOn READ ColorOn WRITE setColorOn)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE setCtl3D)
    Q_PROPERTY(bool LedOn READ LedOn WRITE setLedOn)
    Q_PROPERTY(TLedType LedType READ LedType WRITE setLedType)

public:
    enum TBorder : int { brDefault = 0, brRaised = 1, brLowered = 2 };
    Q_ENUM(TBorder)

    enum TLedType : int {
        ltDiamond = 0,
        ltEllipsHrz,
        ltEllipsVrt,
        ltMoonLeft,
        ltMoonRight,
        ltParallelBck,
        ltParallelFwd,
        ltPentagon,
        ltRound,
        ltRectangleHrz,
        ltRectangleVrt,
        ltSquare,
        ltTriangleDwn,
        ltTriangleLeft,
        ltTriangleRight,
        ltTriangleUp,
    };
    Q_ENUM(TLedType)

    // Index of the colour setter.
    static constexpr int kColorOffIndex = 0;
    static constexpr int kColorOnIndex = 1;

    // The lamp is always 13 × 13 pixels: a size from a window description
    // or a layout is overridden.
    static constexpr int kSize = 13;

    explicit TAMAdvLed(QWidget* parent = nullptr);

    TBorder BorderStyle() const { return m_borderStyle; }
    QColor ColorOff() const { return m_colorOff; }
    QColor ColorOn() const { return m_colorOn; }
    bool Ctl3D() const { return m_ctl3D; }
    bool LedOn() const { return m_ledOn; }
    TLedType LedType() const { return m_ledType; }
    // Number of state changes so far.
    int NumSwitch() const { return m_numSwitch; }

    // Resource name of the shape picture in use, e.g. "AMRNDLED3DUP".
    QString pictureName() const { return m_pictureName; }
    // The shape picture in use (null when it could not be loaded).
    const QImage& picture() const { return m_shape; }

    // A change counts, raises OnLedStateChanged and repaints at once;
    // an unchanged value does nothing.
    void setLedOn(bool on);
    // index 0 sets the off colour, 1 the on colour (other indices are
    // ignored); repaints even when the colour is unchanged.
    void setColor(int index, const QColor& color);
    void setColorOff(const QColor& color) { setColor(kColorOffIndex, color); }
    void setColorOn(const QColor& color) { setColor(kColorOnIndex, color); }
    void setLedType(TLedType type);
    // Any relief also makes the lamp 3-D.
    void setBorderStyle(TBorder border);
    // A flat lamp has no relief.
    void setCtl3D(bool threeD);

    // Loads the resource picture for a shape, relief and 3-D flag; an
    // unknown shape falls back to the round one. Null when missing.
    static QImage loadPicture(TLedType type, TBorder border, bool threeD);
    static QImage loadPicture(const QString& name);

signals:
    // After every state change: the lamp, its new state and the number of
    // changes so far (1 for the first).
    void OnLedStateChanged(TAMAdvLed* Sender, bool LedOn, int NumSwitch);
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A lamp that takes the focus (in a FocusGroup) shows a focus frame.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void reloadPicture();

    TBorder m_borderStyle = brRaised;
    QColor m_colorOff{0, 128, 0};
    QColor m_colorOn{0, 255, 0};
    bool m_ctl3D = true;
    bool m_ledOn = false;
    TLedType m_ledType = ltRound;
    int m_numSwitch = 0;

    QString m_pictureName;
    QImage m_shape; // indexed, as loaded
    QImage m_work;  // the shape tinted with the current lamp colour
    ClickTracker m_click;
};

// The two-step tint of a shape picture: silver (the lamp body) becomes
// lampColor, then olive (the surroundings) becomes background. Works on the
// colour table of an indexed picture, otherwise pixel by pixel.
QImage tintLedPicture(const QImage& shape, const QColor& lampColor, const QColor& background);
