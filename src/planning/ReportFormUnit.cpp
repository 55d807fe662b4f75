#include "planning/ReportFormUnit.h"

#include "planning/MealPlan.h"
#include "planning/Reports.h"
#include "widgets/Prompt.h"
#include "widgets/ReportPreview.h"
#include "widgets/TitleBand.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include <array>

using namespace nqb;

TReportForm::TReportForm(const QStringList &percentages, bool individual, QWidget *parent)
    : QDialog(parent)
    , m_percentages(percentages)
    , m_individual(individual)
{
    setObjectName(QStringLiteral("ReportForm"));
    setWindowTitle(QStringLiteral("打印"));
    buildUi();
}

TReportForm::~TReportForm() = default;

void TReportForm::run(QWidget *parent, const QStringList &percentages, bool individual)
{
    TReportForm w(percentages, individual, parent);
    w.exec();
}

QPushButton *TReportForm::addButton(const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setMinimumWidth(64);
    return b;
}

void TReportForm::buildUi()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->setSpacing(6);
    layout->addWidget(makeTitleBand(QStringLiteral("打   印   列   表"), this));

    auto heading = [this, layout](const QString &text) {
        auto *l = new QLabel(text, this);
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        layout->addSpacing(6);
        layout->addWidget(l);
    };
    // A row of seven weekday buttons, Sunday first.
    auto weekdayRow = [this, layout](const std::array<const char *, 7> &names, Kind kind) {
        auto *row = new QHBoxLayout;
        row->addSpacing(16);
        for (int d = 0; d < plan::kWeekdayCount; ++d) {
            QPushButton *b = addButton(names[d], plan::weekdayCaption(d));
            connect(b, &QPushButton::clicked, this, [this, kind, d] { openReport(kind, d); });
            row->addWidget(b);
        }
        row->addStretch(1);
        layout->addLayout(row);
    };
    auto singleRow = [this, layout](const char *name, const QString &caption, Kind kind) {
        auto *row = new QHBoxLayout;
        row->addSpacing(16);
        QPushButton *b = addButton(name, caption);
        b->setMinimumWidth(120);
        connect(b, &QPushButton::clicked, this, [this, kind] { openReport(kind); });
        row->addWidget(b);
        row->addStretch(1);
        layout->addLayout(row);
    };

    heading(QStringLiteral("一周营养成分详细统计："));
    weekdayRow({"BitBtn7", "BitBtn8", "BitBtn9", "BitBtn10", "BitBtn11", "BitBtn12", "BitBtn13"}, Kind::DayStatistics);
    heading(QStringLiteral("一周营养成分详细菜普："));
    singleRow("BitBtn16", QStringLiteral("  菜谱总表"), Kind::WeekMenu);
    weekdayRow({"BitBtn2", "BitBtn1", "BitBtn3", "BitBtn4", "BitBtn5", "BitBtn6", "BitBtn14"}, Kind::DayMenu);
    heading(QStringLiteral("一周原料统计："));
    singleRow("BitBtn17", QStringLiteral("  原料统计"), Kind::Purchases);

    layout->addSpacing(10);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    QPushButton *close = addButton("Close_btn", QStringLiteral("关    闭"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    bottom->addWidget(close);
    layout->addLayout(bottom);
}

void TReportForm::openReport(Kind kind, int weekday)
{
    QString error;
    const reports::Context context = reports::currentContext(m_individual, m_percentages, &error);
    std::unique_ptr<QTextDocument> doc;
    if (error.isEmpty()) {
        switch (kind) {
        case Kind::DayStatistics:
            doc = reports::dayStatisticsReport(context, weekday, &error);
            break;
        case Kind::WeekMenu:
            doc = reports::weekMenuReport(context, &error);
            break;
        case Kind::DayMenu:
            doc = reports::dayMenuReport(context, weekday, &error);
            break;
        case Kind::Purchases:
            doc = reports::purchaseReport(context, &error);
            break;
        }
    }
    if (!doc || !error.isEmpty()) {
        prompt::error(this, tr("无法生成报表：%1").arg(error.isEmpty() ? tr("没有数据") : error));
        return;
    }
    ReportPreview::run(this, std::move(doc));
}
