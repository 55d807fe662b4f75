#include "planning/WeekStatUnit.h"

#include "data/DataModule.h"
#include "planning/EvaluationView.h"
#include "planning/MealPlan.h"
#include "widgets/BarChart.h"
#include "widgets/DataGrid.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QShowEvent>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTimer>
#include <QVBoxLayout>

using namespace nqb;

namespace {

const char *const kDayCaptions[plan::kWeekdayCount] = {"星期日", "星期一", "星期二", "星期三",
                                                       "星期四", "星期五", "星期六"};

QString allWeekCode()
{
    return QString::fromLatin1(plan::kAllWeekCode);
}

void setCaptionColour(QRadioButton *radio, const QColor &colour)
{
    QPalette p = radio->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::ButtonText, colour);
    radio->setPalette(p);
}

} // namespace

TWeekStat::TWeekStat(const QStringList &percentages, QWidget *parent)
    : QDialog(parent)
{
    m_percentagesOk = weekstats::parsePercentages(percentages, &m_percentages, &m_percentageError);
    buildUi();
    // The workbench hands over its percentages and enables the weekday choices.
    for (QRadioButton *r : std::as_const(m_dayRadios))
        r->setEnabled(m_percentagesOk);
}

TWeekStat::~TWeekStat() = default;

void TWeekStat::buildUi()
{
    setObjectName(QStringLiteral("TWeekStat"));
    setWindowTitle(QStringLiteral("一周结果统计"));
    resize(1000, 620);

    auto *root = new QVBoxLayout(this);
    root->addWidget(makeTitleBand(QStringLiteral("一 周 配 餐 结 果 统 计"), this));

    auto *choice = new QGroupBox(this);
    auto *choiceRow = new QHBoxLayout(choice);
    ALL_rdo = new QRadioButton(QStringLiteral("总计"), choice);
    ALL_rdo->setObjectName(QStringLiteral("ALL_rdo"));
    choiceRow->addWidget(ALL_rdo);
    connect(ALL_rdo, &QRadioButton::clicked, this, [this] { ShowSelection(allWeekCode()); });
    for (int d = 0; d < plan::kWeekdayCount; ++d) {
        auto *r = new QRadioButton(QString::fromUtf8(kDayCaptions[d]), choice);
        r->setObjectName(QString::fromLatin1(plan::weekdays()[d].radioName));
        r->setEnabled(false);
        const QString code = plan::weekdayCode(d);
        connect(r, &QRadioButton::clicked, this, [this, code] { ShowSelection(code); });
        choiceRow->addWidget(r);
        m_dayRadios << r;
    }
    choiceRow->addStretch(1);
    root->addWidget(choice);

    m_panel = new EvaluationPanel(this);
    DRIs_Grid = m_panel->grid();
    m_gridModel = m_panel->model();
    Chart1 = m_panel->chart();
    root->addWidget(m_panel, 1);
}

QRadioButton *TWeekStat::radioOf(const QString &code) const
{
    if (code == allWeekCode())
        return ALL_rdo;
    const int d = plan::weekdayIndex(code);
    return d < 0 ? nullptr : m_dayRadios.value(d);
}

void TWeekStat::run(QWidget *parent, const QStringList &percentages)
{
    TWeekStat dlg(percentages, parent);
    dlg.exec();
}

void TWeekStat::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || m_shown)
        return;
    m_shown = true;
    if (!m_percentagesOk) {
        // Nothing sensible can be scaled: say why and close.
        prompt::error(this, QStringLiteral("配餐系数比无效：%1").arg(m_percentageError));
        QTimer::singleShot(0, this, &QDialog::reject);
        return;
    }
    Recompute();
}

void TWeekStat::Recompute()
{
    QString err;
    if (!weekstats::recompute(&err)) {
        // The table holds figures of an earlier plan: none of them is shown.
        prompt::error(this, QStringLiteral("无法统计本周配餐：%1").arg(databaseErrorText(err)));
        showNothing();
        for (QRadioButton *r : std::as_const(m_dayRadios))
            r->setEnabled(false);
        ALL_rdo->setEnabled(false);
        return;
    }
    // Deselect, then select the whole week: its click handling shows it.
    ALL_rdo->setChecked(true);
    ShowSelection(allWeekCode());
}

void TWeekStat::showNothing()
{
    m_gridModel->clear();
    for (const QString &column : requirementColumns()) {
        DRIs_Grid->setFooterText(column, QString());
        DRIs_Grid->setFooterColor(column, QColor());
    }
    Chart1->clear();
    for (QRadioButton *r : std::as_const(m_dayRadios))
        setCaptionColour(r, Qt::black);
    setCaptionColour(ALL_rdo, Qt::black);
}

void TWeekStat::ShowSelection(const QString &code)
{
    QRadioButton *chosen = radioOf(code);
    if (!chosen)
        return;
    if (!chosen->isChecked())
        chosen->setChecked(true);

    m_selection = weekstats::showSelection(code, weekstats::selectionPercent(m_percentages, code));
    if (!m_selection.ok()) {
        prompt::error(this, databaseErrorText(m_selection.error));
        showNothing();
        return;
    }

    // The selection's actual row, then the standard row.
    QSqlQuery q(db());
    q.prepare(weekstats::gridSql());
    q.addBindValue(code);
    if (!q.exec())
        prompt::error(this, q.lastError().text());
    m_gridModel->setQuery(std::move(q));

    m_panel->showEvaluation(m_selection.nutrients, m_selection.bars);

    for (QRadioButton *r : std::as_const(m_dayRadios))
        setCaptionColour(r, r == chosen ? Qt::red : Qt::black);
    setCaptionColour(ALL_rdo, ALL_rdo == chosen ? Qt::red : Qt::black);
}
