// TAnal: a moving-needle meter on a quarter-circle dial, with a caption
// above the value and the value itself in a band at the bottom.
#pragma once

#include "click_tracker.h"
#include "pacer.h"

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <functional>

class TAnal : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor BKColor READ BKColor WRITE setBKColor)
    Q_PROPERTY(QColor BBColor READ BBColor WRITE setBBColor)
    Q_PROPERTY(QColor NeedleColor READ NeedleColor WRITE setNeedleColor)
    Q_PROPERTY(int Value READ Value WRITE setValue)
    Q_PROPERTY(int Max READ Max WRITE setMax)
    Q_PROPERTY(int Minor READ Minor WRITE setMinor)
    Q_PROPERTY(QString Scale READ Scale WRITE setScale)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)

public:
    // Size at creation.
    static constexpr int kDefaultWidth = 190;
    static constexpr int kDefaultHeight = 145;
    static constexpr int kMaxMinor = 10;

    explicit TAnal(QWidget* parent = nullptr);

    // Background of the dial area; default the system's window (base) colour.
    QColor BKColor() const { return m_bkColor; }
    // Background of the bottom band; default a light blue-grey, the usual
    // tint of an inactive title bar.
    QColor BBColor() const { return m_bbColor; }
    QColor NeedleColor() const { return m_needleColor; }
    // Needle position in units of Max; not limited to 0..Max.
    int Value() const { return m_value; }
    // Value at the right end of the scale; always > 1.
    int Max() const { return m_max; }
    // Minor ticks between two major ticks, 0..10.
    int Minor() const { return m_minor; }
    // Major-tick labels separated by ';' (always longer than two characters).
    QString Scale() const { return m_scale; }
    // Unit text above the value.
    QString Caption() const { return m_caption; }

    // Every setter does nothing for an unchanged value; otherwise it stores
    // the value and repaints at once (synchronously, when visible). A value
    // outside the stated range is ignored without a message.
    void setBKColor(const QColor& color);
    void setBBColor(const QColor& color);
    void setNeedleColor(const QColor& color);
    void setValue(int value);
    void setMax(int max);                // accepted only when > 1
    void setMinor(int minor);            // accepted only when 0..10
    void setScale(const QString& scale); // accepted only when longer than 2 characters
    void setCaption(const QString& caption);

    // The reading as a screen reader says it; by default the value and the
    // caption ("128 Wert"). An owner that knows the unit better replaces it.
    using ValueText = std::function<QString(const TAnal&)>;
    void setValueText(ValueText text);
    QString valueText() const;

    // The reading as last told to assistive technology (its description),
    // which a screen reader says while the meter has the focus. It follows
    // valueText() when that shows another text, at most once a second (the
    // newest one when the second is over); a change of the caption (Space)
    // is told at once.
    static constexpr qint64 kSpeakIntervalMs = 1000;
    QString spokenReading() const;

    // Reports a click, as a mouse click on the meter does; Space and Return
    // do the same while the meter has the keyboard focus (it takes the
    // focus by Tab only, so a mouse click never shows the focus frame).
    void Click() { emit OnClick(); }

signals:
    // A left click (press and release on the meter) and a double click.
    void OnClick();
    void OnDblClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Tells assistive technology the reading when it shows another text
    // than the one last told: now when `atOnce` or a second has passed,
    // else when the second is over.
    void followReading(bool atOnce);
    void tellReading();
    // Drops the cached dial and repaints.
    void dialChanged();
    void renderDial(qreal ratio);

    QColor m_bkColor;
    QColor m_bbColor;
    QColor m_needleColor = Qt::black;
    int m_value = 0;
    int m_max = 255;
    int m_minor = 1;
    QString m_scale = QStringLiteral("0;1;2;3;4;5");
    QString m_caption = QStringLiteral("Volt");

    // Background, caption, ticks and labels at the current size and device
    // pixel ratio; null when it has to be drawn again.
    QPixmap m_dial;
    ClickTracker m_click;
    ValueText m_valueText;
    QString m_spoken;
    zentor::access::Pacer m_speech{kSpeakIntervalMs, [this] { tellReading(); }};
};
