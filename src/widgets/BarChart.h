#pragma once
// BarChart: one series of vertical bars, each with its label under it, its
// value written above it and its own colour. Used for the intake as a
// percentage of the standard (about 25 bars with short Chinese labels).
//
// Labels that do not fit under their bar are written downwards, one character
// under the other for Chinese labels and turned by 90 degrees otherwise.
// A bar whose value is not a finite number is not drawn and has no value text.
#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>
#include <cmath>

class BarChart : public QWidget
{
    Q_OBJECT
public:
    struct Bar {
        QString label;
        double value = 0.0;
        QColor color;
        bool operator==(const Bar &o) const
        {
            const bool sameValue = value == o.value || (std::isnan(value) && std::isnan(o.value));
            return label == o.label && sameValue && color == o.color;
        }
    };

    explicit BarChart(QWidget *parent = nullptr);

    void setBars(const QList<Bar> &bars);
    void addBar(const QString &label, double value, const QColor &color);
    void clear();
    const QList<Bar> &bars() const { return m_bars; }
    int count() const { return m_bars.size(); }
    // The bar with the label, or -1.
    int indexOf(const QString &label) const;

    // Optional title above the bars and axis caption beside the value axis.
    void setTitle(const QString &title);
    QString title() const { return m_title; }
    void setAxisTitle(const QString &title);
    // A dashed line across the chart at this value (for example 100 %); NaN = none.
    void setReferenceLine(double value);
    // Text added after each written value (for example "%"); empty by default.
    void setValueSuffix(const QString &suffix);
    // How a value is written (default: general format).
    QString valueText(int index) const;

    // Where bar i is drawn (widget coordinates); empty for an undrawn bar.
    QRect barRect(int index) const;
    int barAt(const QPoint &pos) const;

    QSize sizeHint() const override { return {640, 300}; }
    QSize minimumSizeHint() const override { return {200, 120}; }

signals:
    void barsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    struct Layout {
        QRect plot;          // the area of the bars
        double axisMin = 0, axisMax = 1, step = 1;
        int labelHeight = 0;
        bool verticalLabels = false;
    };
    Layout layout() const;
    int yOf(const Layout &l, double v) const;
    // The bar's rectangle in a layout measured once for all bars.
    QRect barRect(const Layout &l, int index) const;

    QList<Bar> m_bars;
    QString m_title;
    QString m_axisTitle;
    QString m_suffix;
    double m_reference;
};
