#include "diners/CollectiveUnit.h"

#include "data/DataModule.h"
#include "data/FunctionUnit.h"
#include "data/InputCheck.h"
#include "data/RunState.h"
#include "diners/CollectiveEditUnit.h"
#include "planning/PlanFile.h"
#include "widgets/DataGrid.h"
#include "widgets/Prompt.h"
#include "widgets/RequirementGrid.h"
#include "widgets/TitleBand.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QVBoxLayout>

using namespace nqb;

namespace {

std::function<void(QWidget *)> &surveyEntryOpener()
{
    static std::function<void(QWidget *)> opener;
    return opener;
}

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    // Enter belongs to the persons field (it adds the row); buttons take clicks and Space.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

} // namespace

void TCollective::setSurveyEntryOpener(std::function<void(QWidget *)> opener)
{
    surveyEntryOpener() = std::move(opener);
}

TCollective::TCollective(RunState &state, QWidget *parent)
    : QDialog(parent)
    , m_run(state)
{
    setObjectName(QStringLiteral("TCollective"));
    setWindowTitle(QStringLiteral("集体资料输入"));
    m_surveyMode = m_run.surveyMode();
    buildUi();
    OpenComposition();
}

TCollective::~TCollective() = default;

void TCollective::buildUi()
{
    auto *root = new QVBoxLayout(this);
    root->addWidget(makeTitleBand(QStringLiteral("集  体  资  料  输  入"), this));

    auto *body = new QHBoxLayout;
    root->addLayout(body, 1);

    // The row to add.
    auto *entry = new QGroupBox(QStringLiteral("就餐人员"), this);
    auto *el = new QVBoxLayout(entry);
    auto labelled = [entry, el](const QString &label, QWidget *w) {
        el->addWidget(new QLabel(label, entry));
        el->addWidget(w);
    };
    Age_cmb = new QComboBox(entry);
    Age_cmb->setObjectName(QStringLiteral("Age_cmb"));
    Age_cmb->addItems(ageBandTexts());
    Age_cmb->setCurrentText(QStringLiteral("18 ～ 50"));
    labelled(QStringLiteral("年龄阶段："), Age_cmb);
    Sex_cmb = new QComboBox(entry);
    Sex_cmb->setObjectName(QStringLiteral("Sex_cmb"));
    Sex_cmb->addItems({QStringLiteral("男"), QStringLiteral("女")});
    labelled(QStringLiteral("性    别："), Sex_cmb);
    Activity_cmb = new QComboBox(entry);
    Activity_cmb->setObjectName(QStringLiteral("Activity_cmb"));
    Activity_cmb->addItems(activityLevelsForBand(QStringLiteral("18 ～ 50")));
    Activity_cmb->setCurrentText(QStringLiteral("轻体力活动"));
    labelled(QStringLiteral("劳动强度："), Activity_cmb);
    TotalPerson_edt = new QLineEdit(entry);
    TotalPerson_edt->setObjectName(QStringLiteral("TotalPerson_edt"));
    TotalPerson_edt->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,6}")), TotalPerson_edt));
    labelled(QStringLiteral("进餐人数："), TotalPerson_edt);
    Add_btn = button(QStringLiteral(" 增 加"), "Add_btn", entry);
    el->addWidget(Add_btn);
    el->addStretch();
    body->addWidget(entry);

    // The composition.
    m_model = new QSqlQueryModel(this);
    DBGridEh1 = new DataGrid(this);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setModel(m_model);
    DBGridEh1->setColumns({{QStringLiteral("AGETEXT"), QStringLiteral("年 龄 阶 段"), 120, DataGrid::FooterKind::Text,
                            QStringLiteral("记录总数：")},
                           {QStringLiteral("SEX"), QStringLiteral("性别"), 70, DataGrid::FooterKind::Count},
                           {QStringLiteral("ACTIVITY"), QStringLiteral("劳 动 强 度"), 120, DataGrid::FooterKind::Text,
                            QStringLiteral("配餐人数：")},
                           {QStringLiteral("TOTALPERSON"), QStringLiteral("人数"), 80, DataGrid::FooterKind::Sum}},
                          true);
    DBGridEh1->setReadOnly(true);
    DBGridEh1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGridEh1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGridEh1->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *del = new QAction(QStringLiteral("删除(&Del)"), DBGridEh1);
    del->setObjectName(QStringLiteral("Del_act"));
    del->setShortcut(QKeySequence::Delete);
    del->setShortcutContext(Qt::WidgetShortcut);
    DBGridEh1->addAction(del);
    body->addWidget(DBGridEh1, 1);

    // The average requirement.
    auto *dris = new QGroupBox(QStringLiteral("平均每人每天膳食营养素参考摄入量"), this);
    auto *dl = new QVBoxLayout(dris);
    m_grids = new RequirementGrid(dris);
    m_grids->setObjectName(QStringLiteral("Requirement_grid"));
    dl->addWidget(m_grids);
    root->addWidget(dris);

    auto *buttons = new QHBoxLayout;
    Load_btn = button(QStringLiteral(" 读 取"), "Load_btn", this);
    Clear_btn = button(QStringLiteral(" 清 空"), "Clear_btn", this);
    Edt_btn = button(QStringLiteral(" 刷  新"), "Edt_btn", this);
    Accept_btn = button(QStringLiteral(" 确  定"), "Accept_btn", this);
    Close_btn = button(QStringLiteral(" 关  闭"), "Close_btn", this);
    buttons->addWidget(Load_btn);
    buttons->addWidget(Clear_btn);
    buttons->addWidget(Edt_btn);
    buttons->addStretch();
    buttons->addWidget(Accept_btn);
    buttons->addWidget(Close_btn);
    root->addLayout(buttons);

    setTabOrder(Age_cmb, Sex_cmb);
    setTabOrder(Sex_cmb, Activity_cmb);
    setTabOrder(Activity_cmb, TotalPerson_edt);
    setTabOrder(TotalPerson_edt, Add_btn);
    setTabOrder(Add_btn, DBGridEh1);
    setTabOrder(DBGridEh1, Accept_btn);
    setTabOrder(Accept_btn, Close_btn);

    connect(Age_cmb, &QComboBox::activated, this, [this] { ageBandChosen(); });
    connect(TotalPerson_edt, &QLineEdit::returnPressed, this, &TCollective::Add);
    connect(Add_btn, &QPushButton::clicked, this, &TCollective::Add);
    connect(del, &QAction::triggered, this, &TCollective::DeleteCurrent);
    connect(DBGridEh1, &QAbstractItemView::doubleClicked, this, [this] { EditCurrent(); });
    connect(Accept_btn, &QPushButton::clicked, this, &TCollective::Accept);
    connect(Load_btn, &QPushButton::clicked, this, &TCollective::Load);
    connect(Clear_btn, &QPushButton::clicked, this, &TCollective::Clear);
    connect(Edt_btn, &QPushButton::clicked, this, &TCollective::Refresh);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::reject);
    resize(1000, 600);
}

void TCollective::ageBandChosen()
{
    const QStringList levels = activityLevelsForBand(Age_cmb->currentText().trimmed());
    Activity_cmb->clear();
    Activity_cmb->addItems(levels);
    Activity_cmb->setCurrentText(QStringLiteral("轻体力活动"));
    Activity_cmb->setEnabled(levels.size() > 1);
}

void TCollective::OpenComposition()
{
    QSqlQuery q(db());
    const Result r = sql::exec(q, QStringLiteral("SELECT AGETEXT, SEX, ACTIVITY, TOTALPERSON FROM DinerPerson_tmp "
                                                 "ORDER BY rowid"));
    if (!r) {
        prompt::error(this, r.message);
        m_model->clear();
        m_rows.clear();
        return;
    }
    m_model->setQuery(std::move(q));
    const Result read = readComposition(db(), m_rows);
    if (!read)
        prompt::error(this, read.message);
}

void TCollective::ComputeGroupRequirements()
{
    RequirementMatrix m;
    const QString err = computeGroupRequirements(db(), m_rows, m);
    if (!err.isEmpty()) {
        prompt::error(this, err);
        return;
    }
    m_grids->setMatrix(m);
}

RequirementMatrix TCollective::matrix() const
{
    return m_grids->matrix();
}

void TCollective::LoadGroupProfile()
{
    GroupProfileData data;
    const bool exists = readGroupProfile(groupProfilePath(), data);
    const Result r = replaceComposition(db(), data.rows);
    if (!r)
        prompt::error(this, r.message);
    OpenComposition();
    if (exists) {
        ComputeGroupRequirements();
        m_grids->setMatrix(data.matrix);
    } else {
        m_grids->clear();
    }
}

int TCollective::currentRow() const
{
    const int row = DBGridEh1->currentSourceRow();
    return row >= 0 && row < m_rows.size() ? row : -1;
}

void TCollective::Add()
{
    DinerGroupRow row;
    row.ageBand = Age_cmb->currentText().trimmed();
    row.sex = Sex_cmb->currentText().trimmed();
    row.activity = Activity_cmb->currentText().trimmed();
    // Empty gives 0; a text that is no whole number of persons is refused
    // (the key filter does not see a pasted or loaded text).
    QString message;
    if (!input::readWhole(QStringLiteral("进餐人数"), TotalPerson_edt->text(), 0, input::kMaxPersons, &row.persons,
                          &message)) {
        prompt::warn(this, message);
        TotalPerson_edt->setFocus();
        return;
    }
    const Result r = addCompositionRow(db(), row);
    if (r.status == Status::Duplicate) {
        prompt::warn(this, r.message);
        return;
    }
    if (!r) {
        prompt::error(this, r.message);
        return;
    }
    OpenComposition();
    ComputeGroupRequirements();
}

void TCollective::DeleteCurrent()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const Result r = deleteCompositionRow(db(), m_rows[row]);
    if (!r)
        prompt::error(this, r.message);
    OpenComposition();
    ComputeGroupRequirements();
}

void TCollective::EditCurrent()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const DinerGroupRow chosen = m_rows[row];
    const std::optional<int> persons = TCollectiveEdit::run(this, chosen);
    if (!persons)
        return;
    const Result r = setCompositionPersons(db(), chosen, *persons);
    if (!r)
        prompt::error(this, r.message);
    OpenComposition();
    ComputeGroupRequirements();
}

void TCollective::Clear()
{
    if (!prompt::ask(this, QStringLiteral("确认删除？")))
        return;
    QString err;
    if (!ClearTable(QStringLiteral("DinerPerson_tmp"), &err))
        prompt::error(this, err);
    OpenComposition();
    ComputeGroupRequirements();
}

void TCollective::Refresh()
{
    OpenComposition();
    ComputeGroupRequirements();
}

void TCollective::Accept()
{
    RequirementMatrix m = m_grids->matrix();
    m.fillEmptyWithZero();
    m_grids->setMatrix(m);

    if (m_rows.isEmpty() || totalPersons(m_rows) <= 0) {
        prompt::warn(this, QStringLiteral("请先增加就餐人员（配餐人数不能为 0）。"));
        TotalPerson_edt->setFocus();
        return;
    }
    for (int n = 0; n < kRequirementCount; ++n) {
        for (int r = 0; r < kRequirementRows; ++r) {
            bool ok = true;
            m.value(r, n, &ok);
            if (!ok) {
                static const char *const rowNames[] = {"标值", "下限", "上限"};
                prompt::warn(this, QStringLiteral("\"%1\"的%2“%3”不是有效的数字，请修改后再确定。")
                                       .arg(requirementHeader(n), QString::fromUtf8(rowNames[r]), m.text(r, n)));
                m_grids->focusCell(r, n);
                return;
            }
        }
    }
    const QStringList warnings = validateRequirements(m);
    for (const QString &w : warnings)
        prompt::warn(this, w);
    if (!warnings.isEmpty())
        return;

    QString notice;
    QString err = writeGroupProfile(groupProfilePath(), m_rows, m, &notice);
    if (!err.isEmpty()) {
        prompt::error(this, err);
        return;
    }
    if (!notice.isEmpty())
        prompt::warn(this, notice);
    err = writeRequirementRows(db(), m);
    if (!err.isEmpty()) {
        prompt::error(this, err);
        return;
    }
    // The requirement rows now come from this group: the workbench's save
    // copies Collective.ini beside the plan.
    m_run.setProfileKind(RunState::ProfileKind::Group);

    if (m_surveyMode) {
        hide();
        if (surveyEntryOpener())
            surveyEntryOpener()(parentWidget());
    } else {
        m_run.notifyRequirementsChanged();
        m_run.requestWorkbench();
    }
    accept();
}

void TCollective::Load()
{
    if (m_surveyMode)
        return;
    const QString chosen = Prompt::current().openFile(this, QStringLiteral("读取"), QString(),
                                                      QStringLiteral("集体配餐记录(*.panm)"));
    if (chosen.isEmpty())
        return;
    // The chosen file is checked before it replaces the current group profile.
    QString why;
    if (!isGroupProfileFile(chosen, &why)) {
        prompt::warn(this, why);
        return;
    }
    const plan::PlanResult copied = planfile::copyProfile(chosen, groupProfilePath());
    if (!copied.ok()) {
        prompt::error(this, copied.message);
        return;
    }
    const QString planPath = planfile::planPathForProfileCopy(chosen);
    if (!planPath.isEmpty() && QFileInfo::exists(planPath) && prompt::ask(this, QStringLiteral("是否导入菜普？"))) {
        const plan::PlanResult loaded = planfile::loadPlan(planPath, m_run.mealPattern());
        if (!loaded.ok())
            prompt::error(this, loaded.message);
        else
            m_run.notifyPlanEmptied(); // the plan was replaced: the workbench's undo history goes
    }
    LoadGroupProfile();
}

void TCollective::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        Load_btn->setVisible(!m_surveyMode);
        LoadGroupProfile();
        TotalPerson_edt->setFocus();
    }
}

void TCollective::done(int result)
{
    // A survey's entries do not outlive the survey.
    QString err;
    if (m_surveyMode && !ClearTable(QStringLiteral("NQBNutri_tmp"), &err))
        prompt::error(this, err);
    QDialog::done(result);
}

void TCollective::run(QWidget *parent, RunState &state)
{
    TCollective dlg(state, parent);
    dlg.exec();
}
