#include "planning/ResultUnit.h"

#include "data/DataModule.h"
#include "planning/DietStructureUnit.h"
#include "planning/EvaluationView.h"
#include "widgets/BarChart.h"
#include "widgets/DataGrid.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QVBoxLayout>

using namespace nqb;

namespace {

// Runs a statement without values into a grid's model; false with the
// database's message when it fails.
bool reload(QSqlQueryModel *model, const QString &sql, QString *error)
{
    QSqlQuery q(db());
    if (!q.exec(sql)) {
        *error = q.lastError().text();
        model->clear();
        return false;
    }
    model->setQuery(std::move(q));
    return true;
}

// The totals grid of the whole list: the columns and footers of the
// workbench's totals grid, carotene and retinol hidden.
void setupTotalsGrid(DataGrid *grid)
{
    grid->setReadOnly(true);
    QList<DataGrid::Column> cols;
    cols.append({QStringLiteral("CODE"), QString(), -1, DataGrid::FooterKind::None, QString(), false});
    cols.append({QStringLiteral("FOODNAME"), QStringLiteral(" 食 物 名 称  FoodName"), -1, DataGrid::FooterKind::Text,
                 QStringLiteral("总计：")});
    cols.append({QStringLiteral("DINERTIME"), QStringLiteral("备 注 Remark"), -1, DataGrid::FooterKind::Count});
    cols.append({QStringLiteral("WEIGHT"), QStringLiteral("重 量[g]"), -1, DataGrid::FooterKind::Sum});
    cols.append({QStringLiteral("EDIBLE"), QStringLiteral("食 部[%]"), -1, DataGrid::FooterKind::Average});
    for (const NutrientColumn &c : compositionBlock()) {
        const QString field = QString::fromLatin1(c.column);
        const bool hidden = field == QLatin1String("CAROT") || field == QLatin1String("RETIN");
        cols.append({field, QStringLiteral("%1[%2]").arg(QString::fromUtf8(c.name), QString::fromUtf8(c.unit)), -1,
                     DataGrid::FooterKind::Sum, QString(), !hidden});
    }
    grid->setColumns(cols, true);
}

} // namespace

TResult::TResult(QWidget *parent)
    : QDialog(parent)
{
    buildUi();
}

TResult::~TResult() = default;

void TResult::buildUi()
{
    setObjectName(QStringLiteral("TResult"));
    setWindowTitle(QStringLiteral("评测"));
    resize(1000, 600);

    auto *root = new QVBoxLayout(this);
    root->addWidget(makeTitleBand(QStringLiteral("膳 食 营 养 素 摄 入 量 评 价"), this));

    auto *box = new QGroupBox(QStringLiteral("评测结果"), this);
    auto *boxLayout = new QVBoxLayout(box);

    m_panel = new EvaluationPanel(box);
    DRIs_Grid = m_panel->grid();
    AQDRIs = m_panel->model();
    Chart1 = m_panel->chart();
    boxLayout->addWidget(m_panel, 1);
    root->addWidget(box, 1);

    Total_grid = new DataGrid(this);
    Total_grid->setObjectName(QStringLiteral("Total_grid"));
    setupTotalsGrid(Total_grid);
    AQTotal = new QSqlQueryModel(this);
    AQTotal->setObjectName(QStringLiteral("AQTotal"));
    Total_grid->setModel(AQTotal);
    Total_grid->hide();
    root->addWidget(Total_grid);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    // The surveyed intake against the dietary guidelines (the survey is an
    // individual's).
    auto *structure = new QPushButton(QStringLiteral(" 膳食结构"), this);
    structure->setObjectName(QStringLiteral("Structure_btn"));
    connect(structure, &QPushButton::clicked, this,
            [this] { TDietStructure::run(this, {true, nqb::structure::profileAgeBand(true)}); });
    buttons->addWidget(structure);
    Close_btn = new QPushButton(QStringLiteral("关  闭"), this);
    Close_btn->setObjectName(QStringLiteral("Close_btn"));
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(Close_btn);
    root->addLayout(buttons);
}

void TResult::run(QWidget *parent)
{
    TResult dlg(parent);
    dlg.exec();
}

void TResult::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || m_shown)
        return;
    m_shown = true;
    Evaluate();
}

void TResult::Evaluate()
{
    m_result = survey::evaluate();
    if (!m_result.ok())
        prompt::error(this, m_result.evaluation.error);

    QString err;
    if (!reload(AQTotal, QStringLiteral("SELECT * FROM NQBNutri_tmp ORDER BY rowid"), &err))
        prompt::error(this, err);
    if (!reload(AQDRIs, eval::evaluationGridSql(), &err))
        prompt::error(this, err);

    if (m_result.ok())
        m_panel->showEvaluation(m_result.evaluation.nutrients, m_result.bars);
    else
        m_panel->clear(); // no figures to trust: no markers and no bars rather than wrong ones
}
