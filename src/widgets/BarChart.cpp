#include "widgets/BarChart.h"

#include "data/NumberFormat.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>
#include <limits>

namespace {

bool hasCjk(const QString &s)
{
    for (const QChar c : s)
        if (c.unicode() >= 0x2E80)
            return true;
    return false;
}

// A step of 1, 2 or 5 times a power of ten giving about five intervals.
double niceStep(double range)
{
    if (!(range > 0))
        return 1.0;
    const double raw = range / 5.0;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    const double n = raw / mag;
    double nice = 10;
    if (n <= 1)
        nice = 1;
    else if (n <= 2)
        nice = 2;
    else if (n <= 5)
        nice = 5;
    return nice * mag;
}

} // namespace

BarChart::BarChart(QWidget *parent)
    : QWidget(parent)
    , m_reference(std::numeric_limits<double>::quiet_NaN())
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);
}

void BarChart::setBars(const QList<Bar> &bars)
{
    m_bars = bars;
    update();
    emit barsChanged();
}

void BarChart::addBar(const QString &label, double value, const QColor &color)
{
    m_bars.append(Bar{label, value, color});
    update();
    emit barsChanged();
}

void BarChart::clear()
{
    m_bars.clear();
    update();
    emit barsChanged();
}

int BarChart::indexOf(const QString &label) const
{
    for (int i = 0; i < m_bars.size(); ++i)
        if (m_bars[i].label == label)
            return i;
    return -1;
}

void BarChart::setTitle(const QString &title)
{
    m_title = title;
    update();
}

void BarChart::setAxisTitle(const QString &title)
{
    m_axisTitle = title;
    update();
}

void BarChart::setReferenceLine(double value)
{
    m_reference = value;
    update();
}

void BarChart::setValueSuffix(const QString &suffix)
{
    m_suffix = suffix;
    update();
}

QString BarChart::valueText(int index) const
{
    if (index < 0 || index >= m_bars.size() || !std::isfinite(m_bars[index].value))
        return {};
    return nqb::fmtG(m_bars[index].value) + m_suffix;
}

BarChart::Layout BarChart::layout() const
{
    Layout l;
    const QFontMetrics fm = fontMetrics();
    double lo = 0.0, hi = 0.0;
    for (const Bar &b : m_bars) {
        if (!std::isfinite(b.value))
            continue;
        lo = std::min(lo, b.value);
        hi = std::max(hi, b.value);
    }
    if (std::isfinite(m_reference)) {
        lo = std::min(lo, m_reference);
        hi = std::max(hi, m_reference);
    }
    if (hi <= lo)
        hi = lo + 1.0;
    l.step = niceStep(hi - lo);
    l.axisMin = std::floor(lo / l.step) * l.step;
    l.axisMax = std::ceil(hi / l.step) * l.step;
    if (l.axisMax <= l.axisMin)
        l.axisMax = l.axisMin + l.step;

    int tickWidth = 0;
    for (double v = l.axisMin; v <= l.axisMax + l.step / 2; v += l.step)
        tickWidth = std::max(tickWidth, fm.horizontalAdvance(nqb::fmtG(nqb::roundHalfEven(v, 6))));
    const int left = 8 + tickWidth + 6 + (m_axisTitle.isEmpty() ? 0 : fm.height() + 4);
    const int top = 6 + (m_title.isEmpty() ? 0 : fm.height() + 6) + fm.height() + 2;
    const int right = 10;

    const int n = std::max<qsizetype>(1, m_bars.size());
    const double slot = double(width() - left - right) / n;
    bool fits = true;
    for (const Bar &b : m_bars)
        if (fm.horizontalAdvance(b.label) > slot - 2)
            fits = false;
    l.verticalLabels = !fits;
    int labelHeight = fm.height();
    if (l.verticalLabels) {
        for (const Bar &b : m_bars) {
            const int h = hasCjk(b.label) ? int(b.label.size()) * fm.height() : fm.horizontalAdvance(b.label);
            labelHeight = std::max(labelHeight, h);
        }
        labelHeight = std::min(labelHeight, std::max(fm.height(), height() * 2 / 5));
    }
    l.labelHeight = labelHeight;
    const int bottom = labelHeight + 8;
    l.plot = QRect(left, top, std::max(1, width() - left - right), std::max(1, height() - top - bottom));
    return l;
}

int BarChart::yOf(const Layout &l, double v) const
{
    const double f = (v - l.axisMin) / (l.axisMax - l.axisMin);
    return l.plot.bottom() - int(std::lround(f * l.plot.height()));
}

QRect BarChart::barRect(int index) const
{
    return barRect(layout(), index);
}

QRect BarChart::barRect(const Layout &l, int index) const
{
    if (index < 0 || index >= m_bars.size() || !std::isfinite(m_bars[index].value))
        return {};
    const double slot = double(l.plot.width()) / m_bars.size();
    const int w = std::max(2, int(slot * 0.62));
    const int cx = l.plot.left() + int(slot * index + slot / 2);
    const int y0 = yOf(l, std::max(0.0, l.axisMin));
    const int y1 = yOf(l, m_bars[index].value);
    return QRect(QPoint(cx - w / 2, std::min(y0, y1)), QPoint(cx - w / 2 + w - 1, std::max(y0, y1)));
}

int BarChart::barAt(const QPoint &pos) const
{
    const Layout l = layout();
    for (int i = 0; i < m_bars.size(); ++i) {
        const QRect r = barRect(l, i);
        if (r.isValid() && r.adjusted(-2, -2, 2, 2).contains(pos))
            return i;
    }
    return -1;
}

bool BarChart::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int i = barAt(help->pos());
        if (i >= 0)
            QToolTip::showText(help->globalPos(), m_bars[i].label + QStringLiteral("：") + valueText(i), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void BarChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const Layout l = layout();
    const QFontMetrics fm = fontMetrics();
    const QColor text = palette().color(QPalette::WindowText);
    const QColor grid(220, 220, 220);

    if (!m_title.isEmpty()) {
        QFont f = font();
        f.setBold(true);
        p.setFont(f);
        p.setPen(text);
        p.drawText(QRect(0, 4, width(), fm.height() + 2), Qt::AlignCenter, m_title);
        p.setFont(font());
    }
    if (!m_axisTitle.isEmpty()) {
        p.save();
        p.setPen(text);
        p.translate(6, l.plot.center().y());
        p.rotate(-90);
        p.drawText(QRect(-l.plot.height() / 2, 0, l.plot.height(), fm.height()), Qt::AlignCenter, m_axisTitle);
        p.restore();
    }

    // Value axis with grid lines.
    for (double v = l.axisMin; v <= l.axisMax + l.step / 2; v += l.step) {
        const int y = yOf(l, v);
        p.setPen(grid);
        p.drawLine(l.plot.left(), y, l.plot.right(), y);
        p.setPen(text);
        const QString t = nqb::fmtG(nqb::roundHalfEven(v, 6));
        p.drawText(QRect(0, y - fm.height() / 2, l.plot.left() - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter, t);
    }
    p.setPen(text);
    p.drawLine(l.plot.left(), l.plot.top(), l.plot.left(), l.plot.bottom());
    const int zeroY = yOf(l, std::max(0.0, l.axisMin));
    p.drawLine(l.plot.left(), zeroY, l.plot.right(), zeroY);

    if (m_bars.isEmpty())
        return;
    const double slot = double(l.plot.width()) / m_bars.size();

    // Value texts shrink to their slot when needed.
    QFont valueFont = font();
    {
        int widest = 0;
        for (int i = 0; i < m_bars.size(); ++i)
            widest = std::max(widest, fm.horizontalAdvance(valueText(i)));
        if (widest > slot && widest > 0) {
            const qreal pt = valueFont.pointSizeF() > 0 ? valueFont.pointSizeF() : 9.0;
            valueFont.setPointSizeF(std::max(6.0, pt * slot / widest));
        }
    }
    const QFontMetrics vfm(valueFont);

    for (int i = 0; i < m_bars.size(); ++i) {
        const Bar &b = m_bars[i];
        const int cx = l.plot.left() + int(slot * i + slot / 2);
        const QRect r = barRect(l, i);
        if (r.isValid()) {
            p.fillRect(r, b.color.isValid() ? b.color : QColor(Qt::gray));
            p.setPen(b.color.isValid() ? b.color.darker(160) : QColor(Qt::darkGray));
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.setFont(valueFont);
            p.setPen(text);
            const QString vt = valueText(i);
            const int tw = vfm.horizontalAdvance(vt) + 2;
            QRect tr;
            if (b.value >= 0)
                tr = QRect(cx - tw / 2, r.top() - vfm.height() - 1, tw, vfm.height());
            else
                tr = QRect(cx - tw / 2, r.bottom() + 1, tw, vfm.height());
            p.drawText(tr, Qt::AlignCenter, vt);
            p.setFont(font());
        }

        // Label under the bar.
        p.setPen(text);
        const int labelTop = l.plot.bottom() + 4;
        if (!l.verticalLabels) {
            p.drawText(QRect(int(l.plot.left() + slot * i), labelTop, int(slot), fm.height()), Qt::AlignHCenter | Qt::AlignTop,
                       b.label);
        } else if (hasCjk(b.label)) {
            int y = labelTop;
            for (const QChar c : b.label) {
                if (y + fm.height() > labelTop + l.labelHeight)
                    break;
                p.drawText(QRect(cx - fm.height(), y, 2 * fm.height(), fm.height()), Qt::AlignCenter, QString(c));
                y += fm.height();
            }
        } else {
            p.save();
            p.translate(cx + fm.ascent() / 2 - fm.descent(), labelTop);
            p.rotate(90);
            p.drawText(QRect(0, -fm.height() + fm.descent(), l.labelHeight, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                       fm.elidedText(b.label, Qt::ElideRight, l.labelHeight));
            p.restore();
        }
    }

    if (std::isfinite(m_reference)) {
        const int y = yOf(l, m_reference);
        QPen pen(QColor(90, 90, 90));
        pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.drawLine(l.plot.left(), y, l.plot.right(), y);
    }
}
