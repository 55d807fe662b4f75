#include "planning/AnalyzeEditUnit.h"

#include "data/NumberFormat.h"
#include "planning/MealPlan.h"
#include "widgets/NumericEdit.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nqb;

TAnalyzeEdit::TAnalyzeEdit(const Request &request, QWidget *parent)
    : QDialog(parent)
    , m_request(request)
    , m_name(request.name.trimmed())
{
    setObjectName(QStringLiteral("AnalyzeEdit"));
    setWindowTitle(QStringLiteral("修改"));
    buildUi();

    const QString weight = request.oldWeight;
    Panel1->setText(m_name.isEmpty() ? plan::nothingChosenMessage() : m_name);
    OldWeight_edt->setText(weight);
    if (weight.trimmed().isEmpty())
        Accept_btn->setEnabled(false);
    NewWeight_edt->setFocus();
}

TAnalyzeEdit::~TAnalyzeEdit() = default;

std::optional<QString> TAnalyzeEdit::run(QWidget *parent, const Request &request)
{
    TAnalyzeEdit dlg(request, parent);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.m_newWeight;
}

void TAnalyzeEdit::buildUi()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);

    Panel1 = makeNameBand(this);
    layout->addWidget(Panel1);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("由："), this), 0, 0);
    OldWeight_edt = new QLineEdit(this);
    OldWeight_edt->setObjectName(QStringLiteral("OldWeight_edt"));
    OldWeight_edt->setReadOnly(true);
    grid->addWidget(OldWeight_edt, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("g"), this), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("改为："), this), 1, 0);
    NewWeight_edt = new NumericEdit(this);
    NewWeight_edt->setObjectName(QStringLiteral("NewWeight_edt"));
    grid->addWidget(NewWeight_edt, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("g"), this), 1, 2);
    layout->addLayout(grid);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Accept_btn = new QPushButton(QStringLiteral("确  定"), this);
    Accept_btn->setObjectName(QStringLiteral("Accept_btn"));
    Accept_btn->setAutoDefault(false);
    Close_btn = new QPushButton(QStringLiteral("取  消"), this);
    Close_btn->setObjectName(QStringLiteral("Close_btn"));
    Close_btn->setAutoDefault(false);
    buttons->addWidget(Accept_btn);
    buttons->addWidget(Close_btn);
    layout->addLayout(buttons);
    NewWeight_edt->setAcceptButton(Accept_btn);

    connect(Accept_btn, &QPushButton::clicked, this, &TAnalyzeEdit::Accept);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(280);
}

void TAnalyzeEdit::Accept()
{
    if (!Accept_btn->isEnabled())
        return;
    const QString text = NewWeight_edt->text();
    const plan::PlanResult r = plan::changeWeight(m_name, m_request.weekday, m_request.slot, text);
    switch (r.status) {
    case plan::PlanStatus::Ok:
        break;
    case plan::PlanStatus::EmptyWeight:
    case plan::PlanStatus::NotFound:
        prompt::warn(this, r.message);
        NewWeight_edt->setFocus();
        return;
    default:
        prompt::error(this, r.message);
        NewWeight_edt->setFocus();
        return;
    }
    m_newWeight = text;
    accept();
}
