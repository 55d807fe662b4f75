#include "planning/EvaluationView.h"

#include "widgets/BarChart.h"
#include "widgets/DataGrid.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QSqlQueryModel>
#include <QVBoxLayout>

namespace nqb::evalview {

QColor colourOf(eval::Rgb rgb)
{
    return QColor(rgb.r, rgb.g, rgb.b);
}

QList<DataGrid::Column> evaluationColumns(int remarkWidth)
{
    QList<DataGrid::Column> columns;
    columns.append({QStringLiteral("REMARK"), eval::resultColumnTitle(), remarkWidth, DataGrid::FooterKind::Text,
                    eval::resultColumnTitle()});
    const QStringList req = requirementColumns();
    for (int k = 0; k < req.size(); ++k)
        columns.append({req[k], eval::evaluationTitle(k), -1, DataGrid::FooterKind::Text, QString()});
    return columns;
}

void styleEvaluationColumns(DataGrid *grid)
{
    const QString remark = QStringLiteral("REMARK");
    grid->setColumnForeground(remark, Qt::red);
    grid->setColumnBold(remark, true);
    grid->setFooterColor(remark, Qt::red);
    grid->setFooterBold(remark, true);
    for (const QString &c : requirementColumns()) {
        grid->setFooterBold(c, true);
        grid->setFooterAlignment(c, Qt::AlignCenter);
    }
}

void setupEvaluationGrid(DataGrid *grid)
{
    grid->setReadOnly(true);
    grid->setColumns(evaluationColumns(60), true);
    styleEvaluationColumns(grid);
    grid->setFooterVisible(true);
}

void showMarkers(DataGrid *grid, const std::array<eval::NutrientResult, kRequirementCount> &nutrients)
{
    const QStringList req = requirementColumns();
    for (int k = 0; k < kRequirementCount; ++k) {
        grid->setFooterText(req[k], eval::markerText(nutrients[k].marker));
        grid->setFooterColor(req[k], colourOf(eval::markerColour(nutrients[k].marker)));
    }
}

void showBars(BarChart *chart, const QList<eval::Bar> &bars)
{
    QList<BarChart::Bar> out;
    out.reserve(bars.size());
    for (const eval::Bar &b : bars)
        out.append({b.label, b.value, colourOf(b.colour)});
    chart->setBars(out);
}

QWidget *legend(QWidget *parent)
{
    auto *box = new QWidget(parent);
    box->setObjectName(QStringLiteral("Legend"));
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    for (eval::Marker m : {eval::Marker::Low, eval::Marker::High, eval::Marker::Ok}) {
        auto *swatch = new QFrame(box);
        swatch->setFixedSize(24, 12);
        swatch->setFrameShape(QFrame::Box);
        swatch->setStyleSheet(QStringLiteral("background-color: %1;").arg(colourOf(eval::markerColour(m)).name()));
        row->addWidget(swatch);
        row->addWidget(new QLabel(eval::markerLegend(m), box));
        row->addSpacing(12);
    }
    return box;
}

} // namespace nqb::evalview

EvaluationPanel::EvaluationPanel(QWidget *parent)
    : EvaluationPanel(parent, Options{})
{
}

EvaluationPanel::EvaluationPanel(QWidget *parent, const Options &options)
    : QWidget(parent)
    , m_model(new QSqlQueryModel(this))
{
    setObjectName(QStringLiteral("EvaluationPanel"));
    auto *l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(4);

    m_grid = new DataGrid(this);
    m_grid->setObjectName(QStringLiteral("DRIs_Grid"));
    m_model->setObjectName(QStringLiteral("AQDRIs"));
    if (options.compact) {
        m_grid->setReadOnly(true);
        QList<DataGrid::Column> cols;
        cols.append({QStringLiteral("SEQ"), QString(), -1, DataGrid::FooterKind::None, {}, false});
        cols.append(nqb::evalview::evaluationColumns(40));
        cols.append({QStringLiteral("BLANK"), QStringLiteral(" "), 1});
        m_grid->setColumns(cols, true);
        m_grid->setFrozenColumn(true);
        nqb::evalview::styleEvaluationColumns(m_grid);
    } else {
        nqb::evalview::setupEvaluationGrid(m_grid);
        m_grid->setMinimumHeight(120);
        m_grid->setMaximumHeight(150);
    }
    m_grid->setModel(m_model);
    l->addWidget(m_grid);
    if (options.legend)
        l->addWidget(nqb::evalview::legend(this));

    m_chart = new BarChart(this);
    m_chart->setObjectName(QStringLiteral("Chart1"));
    m_chart->setReferenceLine(100.0);
    m_chart->setToolTip(QStringLiteral("摄入量占标准的百分比"));
    l->addWidget(m_chart, 1);
}

void EvaluationPanel::showEvaluation(const std::array<nqb::eval::NutrientResult, nqb::kRequirementCount> &nutrients,
                                     const QList<nqb::eval::Bar> &bars)
{
    nqb::evalview::showMarkers(m_grid, nutrients);
    nqb::evalview::showBars(m_chart, bars);
}

void EvaluationPanel::clear()
{
    for (const QString &c : nqb::requirementColumns())
        m_grid->setFooterText(c, QString());
    m_chart->clear();
}
