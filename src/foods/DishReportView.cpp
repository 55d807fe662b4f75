#include "foods/DishReportView.h"

#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"

#include "widgets/ReportPreview.h"

#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextDocument>

namespace nqb::dishview {

namespace {

// The amounts the ingredient table shows (the whole block does not fit a page).
const char *const kReportColumns[] = {"ENERC_kcal", "PROCNT", "FAT", "CHOCDF", "VITC", "CA", "FE", "NA"};

QString esc(const QString &s)
{
    return s.toHtmlEscaped();
}

QString number(const std::optional<double> &v, int decimals = 2)
{
    return v ? fmtG(roundHalfEven(*v, decimals)) : QString();
}

QString title(int k)
{
    const auto &c = compositionBlock()[k];
    return QString::fromUtf8(c.name) + QStringLiteral("<br/>[") + QString::fromUtf8(c.unit) + QLatin1Char(']');
}

} // namespace

std::unique_ptr<QTextDocument> dishReport(const dish::ReportData &d)
{
    QList<int> shown;
    for (const char *c : kReportColumns)
        shown << compositionIndex(QString::fromLatin1(c));

    QString h;
    h += QStringLiteral("<html><body style=\"font-size:10pt\">");
    h += QStringLiteral("<h2 align=\"center\">%1</h2>").arg(esc(d.name));
    h += QStringLiteral("<p>菜肴类别：%1　　食部：%2%</p>").arg(esc(d.kindText), esc(d.edible));
    if (!d.describe.trimmed().isEmpty())
        h += QStringLiteral("<p>说明：%1</p>").arg(esc(d.describe).replace(QLatin1Char('\n'), QStringLiteral("<br/>")));

    h += QStringLiteral("<h3>原料</h3><table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">");
    h += QStringLiteral("<tr><th>原料名称</th><th>重量[g]</th><th>食部[%]</th>");
    for (int k : shown)
        h += QStringLiteral("<th>%1</th>").arg(title(k));
    h += QStringLiteral("</tr>");
    for (const dish::ReportIngredient &i : d.ingredients) {
        h += QStringLiteral("<tr><td width=\"22%\">%1</td><td align=\"right\">%2</td><td align=\"right\">%3</td>")
                 .arg(esc(i.name), fmtG(i.weight), QString::number(i.edible));
        for (int k : shown)
            h += QStringLiteral("<td align=\"right\">%1</td>").arg(number(i.amounts[k]));
        h += QStringLiteral("</tr>");
    }
    h += QStringLiteral("<tr><td><b>合计</b></td><td align=\"right\"><b>%1</b></td><td></td>").arg(fmtG(d.totals.weight));
    for (int k : shown)
        h += QStringLiteral("<td align=\"right\"><b>%1</b></td>").arg(number(d.totals.amounts[k]));
    h += QStringLiteral("</tr></table>");

    h += QStringLiteral("<h3>每100g所含营养成分</h3><table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">");
    for (int k = 0; k < kCompositionCount; ++k) {
        if (k % 3 == 0)
            h += QStringLiteral("<tr>");
        const auto &c = compositionBlock()[k];
        h += QStringLiteral("<td>%1 [%2]</td><td align=\"right\">%3</td>")
                 .arg(QString::fromUtf8(c.name), QString::fromUtf8(c.unit), number(d.per100g[k]));
        if (k % 3 == 2)
            h += QStringLiteral("</tr>");
    }
    h += QStringLiteral("</table></body></html>");

    auto doc = std::make_unique<QTextDocument>();
    doc->setMetaInformation(QTextDocument::DocumentTitle, d.name);
    doc->setHtml(h);
    return doc;
}

void previewDishReport(QWidget *parent, const dish::ReportData &data)
{
    // The program's one print preview (zoom, page setup, print, PDF).
    ReportPreview::run(parent, dishReport(data));
}

} // namespace nqb::dishview
