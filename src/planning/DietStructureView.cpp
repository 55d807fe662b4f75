#include "planning/DietStructureView.h"

#include "data/NumberFormat.h"
#include "planning/EvaluationView.h"

#include <QPainter>
#include "widgets/ReportPreview.h"

#include <QPrintPreviewDialog>
#include <memory>
#include <QPrinter>
#include <QTextDocument>
#include <cmath>

using namespace nqb::structure;

RangeBars::RangeBars(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void RangeBars::setRows(const QList<RangeRow> &rows, const QString &unit)
{
    m_rows = rows;
    m_unit = unit;
    updateGeometry();
    update();
}

QSize RangeBars::sizeHint() const
{
    const int line = fontMetrics().height() + 6;
    return {360, int(m_rows.size()) * line + 8};
}

QSize RangeBars::minimumSizeHint() const { return {200, sizeHint().height()}; }

void RangeBars::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    if (m_rows.isEmpty())
        return;
    const QFontMetrics fm = fontMetrics();
    int labelWidth = 0;
    double scale = 0;
    for (const RangeRow &r : m_rows) {
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(r.name));
        scale = std::max(scale, r.value);
        scale = std::max(scale, std::isinf(r.high) ? 2 * r.low : r.high);
    }
    if (scale <= 0)
        scale = 1;
    const int valueWidth = fm.horizontalAdvance(QStringLiteral("00000.0 ") + m_unit);
    const int left = labelWidth + 10;
    const int width = std::max(20, this->width() - left - valueWidth - 8);
    const int line = fm.height() + 6;
    int y = 4;
    for (const RangeRow &r : m_rows) {
        p.setPen(palette().text().color());
        p.drawText(QRect(2, y, labelWidth + 4, line), Qt::AlignVCenter | Qt::AlignLeft, r.name);
        const double high = std::isinf(r.high) ? scale : r.high;
        const int x0 = left + int(width * r.low / scale);
        const int x1 = left + int(width * high / scale);
        p.fillRect(QRect(x0, y + 1, std::max(1, x1 - x0), line - 2), QColor(225, 235, 250));
        const int bar = int(width * std::max(0.0, r.value) / scale);
        const QColor colour = r.marked ? nqb::evalview::colourOf(nqb::eval::markerColour(r.marker)) : QColor(150, 150, 150);
        p.fillRect(QRect(left, y + 4, bar, line - 8), colour);
        p.setPen(palette().text().color());
        p.drawText(QRect(left + bar + 4, y, valueWidth + 40, line), Qt::AlignVCenter | Qt::AlignLeft,
                   oneDecimal(r.value) + QLatin1Char(' ') + m_unit);
        y += line;
    }
}

namespace nqb::structure {

QTextDocument *reportDocument(const Analysis &a, const QString &scopeText, QObject *parent)
{
    auto *doc = new QTextDocument(parent);
    doc->setHtml(reportHtml(a, scopeText));
    return doc;
}

void previewReport(QWidget *parent, const Analysis &a, const QString &scopeText)
{
    // The program's one print preview (zoom, page setup, print, PDF).
    std::unique_ptr<QTextDocument> doc(reportDocument(a, scopeText));
    doc->setMetaInformation(QTextDocument::DocumentTitle, QStringLiteral("膳食结构分析"));
    ReportPreview::run(parent, std::move(doc));
}

} // namespace nqb::structure
