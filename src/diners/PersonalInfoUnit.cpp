#include "diners/PersonalInfoUnit.h"

#include "data/RunState.h"
#include "data/DataModule.h"
#include "data/FunctionUnit.h"
#include "data/InputCheck.h"
#include "data/NumberFormat.h"
#include "planning/PlanFile.h"
#include "widgets/NumericEdit.h"
#include "widgets/RequirementGrid.h"
#include "widgets/Prompt.h"
#include "widgets/SpinEdit.h"
#include "widgets/TitleBand.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

using namespace nqb;

namespace {

std::function<void(QWidget *)> &surveyEntryOpener()
{
    static std::function<void(QWidget *)> opener;
    return opener;
}

// The profile lists are chosen from, never typed into: a typed character would
// jump to a matching item by keyboard search and re-derive the matrix.
class NoTypingFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const QString text = key->text();
            if (!text.isEmpty() && text.at(0).isPrint() && key->key() != Qt::Key_Space)
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

QString bandOf(const QComboBox *c)
{
    return c->currentText().trimmed();
}

} // namespace

void TPersonalInfo::setSurveyEntryOpener(std::function<void(QWidget *)> opener)
{
    surveyEntryOpener() = std::move(opener);
}

TPersonalInfo::TPersonalInfo(RunState &state, QWidget *parent)
    : QDialog(parent)
    , m_run(state)
{
    setObjectName(QStringLiteral("TPersonalInfo"));
    setWindowTitle(QStringLiteral("个人资料输入"));
    m_surveyMode = m_run.surveyMode();
    buildUi();
    // Creation: sex 男, bounds 18 … 50, the diet kinds and the derivation.
    m_sex = QStringLiteral("男");
    m_ageLower = 18;
    m_ageUpper = 50;
    FillDietKinds();
    ComputeRequirements();
}

TPersonalInfo::~TPersonalInfo() = default;

void TPersonalInfo::buildUi()
{
    auto *root = new QVBoxLayout(this);
    root->addWidget(makeTitleBand(QStringLiteral("个  人  资  料  输  入"), this));

    auto *top = new QHBoxLayout;
    root->addLayout(top);

    // Person.
    auto *person = new QGroupBox(QStringLiteral("基本信息"), this);
    auto *pl = new QGridLayout(person);
    int row = 0;
    Male_rdo = new QRadioButton(QStringLiteral("男"), person);
    Male_rdo->setObjectName(QStringLiteral("Male_rdo"));
    FeMale_rdo = new QRadioButton(QStringLiteral("女"), person);
    FeMale_rdo->setObjectName(QStringLiteral("FeMale_rdo"));
    auto *sexGroup = new QButtonGroup(this);
    sexGroup->addButton(Male_rdo);
    sexGroup->addButton(FeMale_rdo);
    Male_rdo->setChecked(true);
    auto *sexRow = new QHBoxLayout;
    sexRow->addWidget(Male_rdo);
    sexRow->addWidget(FeMale_rdo);
    sexRow->addStretch();
    pl->addWidget(new QLabel(QStringLiteral("性    别："), person), row, 0);
    pl->addLayout(sexRow, row++, 1);

    Age_cmb = new QComboBox(person);
    Age_cmb->setObjectName(QStringLiteral("Age_cmb"));
    Age_cmb->addItems(ageBandTexts());
    Age_cmb->setCurrentText(QStringLiteral("18 ～ 50"));
    pl->addWidget(new QLabel(QStringLiteral("年龄阶段："), person), row, 0);
    pl->addWidget(Age_cmb, row++, 1);

    High_edt = new NumericEdit(person);
    High_edt->setObjectName(QStringLiteral("High_edt"));
    High_edt->setText(QStringLiteral("170"));
    High_edt->setAllowPoint(false); // whole centimetres
    pl->addWidget(new QLabel(QStringLiteral("身高[CM]："), person), row, 0);
    pl->addWidget(High_edt, row++, 1);

    Weight_edt = new NumericEdit(person);
    Weight_edt->setObjectName(QStringLiteral("Weight_edt"));
    Weight_edt->setText(QStringLiteral("65"));
    pl->addWidget(new QLabel(QStringLiteral("体重[KG]："), person), row, 0);
    pl->addWidget(Weight_edt, row++, 1);

    Activity_cmb = new QComboBox(person);
    Activity_cmb->setObjectName(QStringLiteral("Activity_cmb"));
    Activity_cmb->addItems(activityLevels());
    Activity_cmb->setCurrentText(QStringLiteral("轻体力活动"));
    pl->addWidget(new QLabel(QStringLiteral("活动强度："), person), row, 0);
    pl->addWidget(Activity_cmb, row++, 1);

    Dietary_cmb = new QComboBox(person);
    Dietary_cmb->setObjectName(QStringLiteral("Dietary_cmb"));
    pl->addWidget(new QLabel(QStringLiteral("膳食种类："), person), row, 0);
    pl->addWidget(Dietary_cmb, row++, 1);

    m_feedingLabel = new QLabel(QStringLiteral("喂养方式："), person);
    m_feedingLabel->setObjectName(QStringLiteral("Feeding_lab"));
    MatrixYes_rdo = new QRadioButton(QStringLiteral("母乳喂养"), person);
    MatrixYes_rdo->setObjectName(QStringLiteral("MatrixYes_rdo"));
    MatrixNo_rdo = new QRadioButton(QStringLiteral("人工喂养"), person);
    MatrixNo_rdo->setObjectName(QStringLiteral("MatrixNo_rdo"));
    // One group: a click never leaves both unchecked. Outside the infant bands
    // both are unchecked by the program (setFeeding).
    m_feedingGroup = new QButtonGroup(this);
    m_feedingGroup->addButton(MatrixYes_rdo);
    m_feedingGroup->addButton(MatrixNo_rdo);
    auto *feedRow = new QHBoxLayout;
    feedRow->addWidget(MatrixYes_rdo);
    feedRow->addWidget(MatrixNo_rdo);
    feedRow->addStretch();
    pl->addWidget(m_feedingLabel, row, 0);
    pl->addLayout(feedRow, row++, 1);
    m_feedingLabel->setEnabled(false);
    MatrixYes_rdo->setEnabled(false);
    MatrixNo_rdo->setEnabled(false);

    m_stateLabel = new QLabel(QStringLiteral("是否怀孕、哺乳："), person);
    m_stateLabel->setObjectName(QStringLiteral("State_lab"));
    PregnantFir_chk = new QCheckBox(QStringLiteral("孕早"), person);
    PregnantFir_chk->setObjectName(QStringLiteral("PregnantFir_chk"));
    PregnantMid_chk = new QCheckBox(QStringLiteral("孕中"), person);
    PregnantMid_chk->setObjectName(QStringLiteral("PregnantMid_chk"));
    PregnantLast_chk = new QCheckBox(QStringLiteral("孕晚"), person);
    PregnantLast_chk->setObjectName(QStringLiteral("PregnantLast_chk"));
    PregnantBaby_chk = new QCheckBox(QStringLiteral("哺乳"), person);
    PregnantBaby_chk->setObjectName(QStringLiteral("PregnantBaby_chk"));
    auto *stateRow = new QHBoxLayout;
    for (QCheckBox *b : {PregnantFir_chk, PregnantMid_chk, PregnantLast_chk, PregnantBaby_chk}) {
        stateRow->addWidget(b);
        b->setEnabled(false);
    }
    stateRow->addStretch();
    m_stateLabel->setEnabled(false);
    pl->addWidget(m_stateLabel, row, 0);
    pl->addLayout(stateRow, row++, 1);
    top->addWidget(person, 3);

    // Energy and fat control.
    auto *energy = new QGroupBox(QStringLiteral("能量脂肪调控"), this);
    energy->setObjectName(QStringLiteral("Energy_grp"));
    auto *el = new QGridLayout(energy);
    row = 0;
    BMI_lab = new QLabel(QStringLiteral("22.5"), energy);
    BMI_lab->setObjectName(QStringLiteral("BMI_lab"));
    BMIRst_lab = new QLabel(QStringLiteral("正常"), energy);
    BMIRst_lab->setObjectName(QStringLiteral("BMIRst_lab"));
    BMIRst_lab->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    auto *bmiRow = new QHBoxLayout;
    bmiRow->addWidget(BMI_lab);
    bmiRow->addWidget(BMIRst_lab);
    bmiRow->addStretch();
    el->addWidget(new QLabel(QStringLiteral("BMI："), energy), row, 0);
    el->addLayout(bmiRow, row++, 1);

    IsPer_rdo = new QRadioButton(QStringLiteral("根据标准体重标准"), energy);
    IsPer_rdo->setObjectName(QStringLiteral("IsPer_rdo"));
    Pre_rdo = new QRadioButton(QStringLiteral("根据个人体重计算"), energy);
    Pre_rdo->setObjectName(QStringLiteral("Pre_rdo"));
    auto *basisGroup = new QButtonGroup(this);
    basisGroup->addButton(IsPer_rdo);
    basisGroup->addButton(Pre_rdo);
    IsPer_rdo->setChecked(true);
    el->addWidget(IsPer_rdo, row++, 0, 1, 2);
    el->addWidget(Pre_rdo, row++, 0, 1, 2);

    ReEnerc_edt = new SpinEdit(-500, 500, 50, 0, energy);
    ReEnerc_edt->setObjectName(QStringLiteral("ReEnerc_edt"));
    ReEnerc_edt->setTypingAllowed(false);
    el->addWidget(new QLabel(QStringLiteral("适当增加(降低)能量[Kcal]："), energy), row, 0);
    el->addWidget(ReEnerc_edt, row++, 1);

    auto readOnly = [energy](const char *name) {
        auto *e = new QLineEdit(energy);
        e->setObjectName(QString::fromLatin1(name));
        e->setReadOnly(true);
        return e;
    };
    ProteinP_edt = readOnly("ProteinP_edt");
    FatP_edt = readOnly("FatP_edt");
    CHOP_edt = readOnly("CHOP_edt");
    el->addWidget(new QLabel(QStringLiteral("蛋白质热比[%]："), energy), row, 0);
    el->addWidget(ProteinP_edt, row++, 1);
    el->addWidget(new QLabel(QStringLiteral("脂肪热比[%]："), energy), row, 0);
    el->addWidget(FatP_edt, row++, 1);
    el->addWidget(new QLabel(QStringLiteral("糖类热比[%]："), energy), row, 0);
    el->addWidget(CHOP_edt, row++, 1);
    top->addWidget(energy, 2);

    // Requirement grids.
    auto *dris = new QGroupBox(QStringLiteral("膳食营养素参考摄入量"), this);
    auto *dl = new QVBoxLayout(dris);
    m_grid = new RequirementGrid(dris);
    dl->addWidget(m_grid);
    root->addWidget(dris);

    // Buttons.
    auto *buttons = new QHBoxLayout;
    Load_btn = new QPushButton(QStringLiteral(" 读  取"), this);
    Load_btn->setObjectName(QStringLiteral("Load_btn"));
    Accept_btn = new QPushButton(QStringLiteral(" 确  定"), this);
    Accept_btn->setObjectName(QStringLiteral("Accept_btn"));
    Close_btn = new QPushButton(QStringLiteral(" 取  消"), this);
    Close_btn->setObjectName(QStringLiteral("Close_btn"));
    buttons->addWidget(Load_btn);
    buttons->addStretch();
    buttons->addWidget(Accept_btn);
    buttons->addWidget(Close_btn);
    root->addLayout(buttons);
    Accept_btn->setDefault(false);
    Accept_btn->setAutoDefault(false);
    Close_btn->setAutoDefault(false);
    Load_btn->setAutoDefault(false);
    // Enter in a numeric field confirms; in the grids it ends the cell's edit.
    High_edt->setAcceptButton(Accept_btn);
    Weight_edt->setAcceptButton(Accept_btn);
    for (QComboBox *c : {Age_cmb, Activity_cmb, Dietary_cmb}) {
        auto *filter = new NoTypingFilter(c);
        c->installEventFilter(filter);
        c->view()->installEventFilter(filter);
    }

    // Change handling. Lists react to the user's choice only (activated), so
    // setting their text from code does not run it; radios, boxes and edits
    // react to programmatic changes as well.
    connect(Age_cmb, &QComboBox::activated, this, [this] { ageBandChosen(); });
    connect(Activity_cmb, &QComboBox::activated, this, [this] { ComputeRequirements(); });
    connect(Dietary_cmb, &QComboBox::activated, this, [this] { ComputeRequirements(); });
    connect(Male_rdo, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            maleClicked();
    });
    connect(FeMale_rdo, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            femaleClicked();
    });
    connect(MatrixYes_rdo, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            MatrixNo_rdo->setChecked(false);
            ComputeRequirements();
        }
    });
    connect(MatrixNo_rdo, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            MatrixYes_rdo->setChecked(false);
        ComputeRequirements();
    });
    connect(IsPer_rdo, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ComputeRequirements();
    });
    connect(Pre_rdo, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ComputeRequirements();
    });
    for (QCheckBox *b : {PregnantFir_chk, PregnantMid_chk, PregnantLast_chk, PregnantBaby_chk})
        connect(b, &QCheckBox::toggled, this, [this, b](bool on) { stateClicked(b, on); });
    connect(High_edt, &QLineEdit::textChanged, this, [this] { updateBmi(); });
    connect(Weight_edt, &QLineEdit::textChanged, this, [this] { weightChanged(); });
    connect(ReEnerc_edt, &QSpinBox::valueChanged, this, [this](int v) { adjustmentChanged(v); });
    connect(m_grid, &RequirementGrid::cellSelected, this, [this](int nutrient) {
        if (nutrient < RequirementGrid::kPerGrid)
            ShowEnergyShares();
    });
    connect(m_grid, &RequirementGrid::cellEdited, this,
            [this](int nutrient, int row) { m_state.matrix.setText(row, nutrient, m_grid->text(row, nutrient)); });
    connect(Accept_btn, &QPushButton::clicked, this, &TPersonalInfo::Accept);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::reject);
    connect(Load_btn, &QPushButton::clicked, this, &TPersonalInfo::Load);
    resize(1000, 600);
}

void TPersonalInfo::showMatrix()
{
    m_grid->setMatrix(m_state.matrix);
}

RequirementMatrix TPersonalInfo::matrix() const
{
    return m_grid->matrix();
}

QString TPersonalInfo::physiologicalState() const
{
    if (PregnantFir_chk->isChecked())
        return QStringLiteral("孕早");
    if (PregnantMid_chk->isChecked())
        return QStringLiteral("孕中");
    if (PregnantLast_chk->isChecked())
        return QStringLiteral("孕晚");
    if (PregnantBaby_chk->isChecked())
        return QStringLiteral("哺乳");
    return {};
}

RequirementProfile TPersonalInfo::profileInputs() const
{
    RequirementProfile p;
    p.sex = m_sex;
    p.ageBand = bandOf(Age_cmb);
    p.ageLower = m_ageLower;
    p.ageUpper = m_ageUpper;
    p.activity = Activity_cmb->currentText().trimmed();
    p.dietKind = Dietary_cmb->currentText().trimmed();
    p.state = physiologicalState();
    p.personalBasis = Pre_rdo->isChecked();
    p.personalWeight = Weight_edt->text();
    p.formulaFeeding = MatrixNo_rdo->isChecked();
    return p;
}

PersonalProfileData TPersonalInfo::profileData() const
{
    PersonalProfileData d;
    d.male = Male_rdo->isChecked();
    d.ageBand = Age_cmb->currentText();
    d.height = High_edt->text();
    d.weight = Weight_edt->text();
    d.activity = Activity_cmb->currentText();
    d.dietKind = Dietary_cmb->currentText();
    d.standardBasis = IsPer_rdo->isChecked();
    d.pregnantFir = PregnantFir_chk->isChecked();
    d.pregnantMid = PregnantMid_chk->isChecked();
    d.pregnantLast = PregnantLast_chk->isChecked();
    d.pregnantBaby = PregnantBaby_chk->isChecked();
    d.formulaFeeding = MatrixNo_rdo->isChecked();
    return d;
}

void TPersonalInfo::ComputeRequirements()
{
    RequirementState s;
    const QString err = computeRequirements(db(), profileInputs(), s);
    if (!err.isEmpty()) {
        prompt::error(this, err);
        return;
    }
    m_state = s;
    showMatrix();
    // The adjustment goes back to 0 without running its handler: the derivation
    // ends with the fresh matrix, adjustment 0 and previous adjustment 0.
    {
        const QSignalBlocker block(ReEnerc_edt);
        ReEnerc_edt->setValue(0);
    }
    ShowEnergyShares();
}

void TPersonalInfo::FillDietKinds()
{
    QStringList kinds;
    const QString err = dietKinds(db(), m_sex, m_ageLower, m_ageUpper, kinds);
    if (!err.isEmpty())
        prompt::error(this, err);
    if (kinds.isEmpty())
        kinds << normalDietKind();
    Dietary_cmb->clear();
    Dietary_cmb->addItems(kinds);
    Dietary_cmb->setCurrentText(normalDietKind());
}

void TPersonalInfo::ShowEnergyShares()
{
    m_state.shares = computeEnergyShares(m_state.matrix);
    showMatrix(); // empty energy and macronutrient cells now read "0"
    ProteinP_edt->setText(fmtG(m_state.shares.protein));
    FatP_edt->setText(fmtG(m_state.shares.fat));
    CHOP_edt->setText(fmtG(m_state.shares.carbohydrate));
}

void TPersonalInfo::AdjustEnergy()
{
    adjustEnergy(m_state, ReEnerc_edt->value());
    showMatrix();
    ProteinP_edt->setText(fmtG(m_state.shares.protein));
    FatP_edt->setText(fmtG(m_state.shares.fat));
    CHOP_edt->setText(fmtG(m_state.shares.carbohydrate));
}

void TPersonalInfo::adjustmentChanged(int)
{
    AdjustEnergy();
}

void TPersonalInfo::ageBandChosen()
{
    const QString band = bandOf(Age_cmb);
    double lower = m_ageLower;
    double upper = m_ageUpper;
    bool found = false;
    const QString err = ageBandBounds(db(), band, lower, upper, &found);
    if (!err.isEmpty())
        prompt::error(this, err);
    else if (found) {
        m_ageLower = lower;
        m_ageUpper = upper;
    }
    FillDietKinds();

    const bool infant = band == QStringLiteral("0 ～ 0.5") || band == QStringLiteral("0.5 ～ 1");
    m_feedingLabel->setEnabled(infant);
    MatrixYes_rdo->setEnabled(infant);
    MatrixNo_rdo->setEnabled(infant);
    {
        // The feeding radios are set together; the derivation below covers them.
        const QSignalBlocker b1(MatrixYes_rdo);
        const QSignalBlocker b2(MatrixNo_rdo);
        m_feedingGroup->setExclusive(false);
        MatrixYes_rdo->setChecked(infant);
        MatrixNo_rdo->setChecked(false);
        m_feedingGroup->setExclusive(true);
    }

    const bool states = band == QStringLiteral("18 ～ 50") && FeMale_rdo->isChecked();
    for (QCheckBox *b : {PregnantFir_chk, PregnantMid_chk, PregnantLast_chk, PregnantBaby_chk}) {
        b->setChecked(false);
        b->setEnabled(states);
    }
    m_stateLabel->setEnabled(states);

    const QStringList levels = activityLevelsForBand(band);
    Activity_cmb->clear();
    Activity_cmb->addItems(levels);
    Activity_cmb->setCurrentText(QStringLiteral("轻体力活动"));
    Activity_cmb->setEnabled(levels.size() > 1);

    ComputeRequirements();
}

void TPersonalInfo::maleClicked()
{
    m_sex = QStringLiteral("男");
    for (QCheckBox *b : {PregnantFir_chk, PregnantMid_chk, PregnantLast_chk, PregnantBaby_chk}) {
        b->setChecked(false);
        b->setEnabled(false);
    }
    m_stateLabel->setEnabled(false);
    FillDietKinds();
    ComputeRequirements();
}

void TPersonalInfo::femaleClicked()
{
    m_sex = QStringLiteral("女");
    const bool states = bandOf(Age_cmb) == QStringLiteral("18 ～ 50");
    for (QCheckBox *b : {PregnantFir_chk, PregnantMid_chk, PregnantLast_chk, PregnantBaby_chk}) {
        b->setChecked(false);
        b->setEnabled(states);
    }
    m_stateLabel->setEnabled(states);
    FillDietKinds();
    ComputeRequirements();
}

void TPersonalInfo::stateClicked(QCheckBox *box, bool checked)
{
    if (checked) {
        for (QCheckBox *b : {PregnantFir_chk, PregnantMid_chk, PregnantLast_chk, PregnantBaby_chk}) {
            if (b != box)
                b->setChecked(false);
        }
        // A pregnancy or lactation stage has its own standard: light activity, normal diet.
        Activity_cmb->setCurrentText(QStringLiteral("轻体力活动"));
        Activity_cmb->setEnabled(false);
        Dietary_cmb->setCurrentText(normalDietKind());
        Dietary_cmb->setEnabled(false);
    } else {
        Activity_cmb->setEnabled(activityLevelsForBand(bandOf(Age_cmb)).size() > 1);
        Dietary_cmb->setEnabled(true);
    }
    ComputeRequirements();
}

void TPersonalInfo::updateBmi()
{
    if (High_edt->text().trimmed().isEmpty() || Weight_edt->text().trimmed().isEmpty()) {
        BMI_lab->clear();
        BMIRst_lab->clear();
        return;
    }
    // A height that is not a whole number of centimetres, or 0, gives no BMI:
    // the labels keep what they showed.
    const auto bmi = bodyMassIndex(High_edt->text(), Weight_edt->text());
    if (!bmi)
        return;
    BMI_lab->setText(fmtG(*bmi));
    BMIRst_lab->setText(bodyMassClass(*bmi));
}

void TPersonalInfo::weightChanged()
{
    updateBmi();
    if (!High_edt->text().trimmed().isEmpty() && !Weight_edt->text().trimmed().isEmpty() && Pre_rdo->isChecked())
        ComputeRequirements();
}

void TPersonalInfo::LoadProfile()
{
    PersonalProfileData p;
    RequirementMatrix stored;
    if (!readPersonalProfile(personalProfilePath(), p, stored))
        return;
    // 1. Sex (the radio's handling runs when it changes).
    if (p.male)
        Male_rdo->setChecked(true);
    else
        FeMale_rdo->setChecked(true);
    // 2. The band, with its rules: its bounds for the amendments and the diet
    // kinds, and which feeding, state and activity controls apply. The steps
    // below then restore the stored choices on top.
    if (Age_cmb->findText(p.ageBand) >= 0) {
        Age_cmb->setCurrentText(p.ageBand);
        ageBandChosen();
    }
    // 3. Height and weight (their change handling runs).
    High_edt->setText(p.height);
    Weight_edt->setText(p.weight);
    // 4. Activity and diet kind: texts only.
    Activity_cmb->setCurrentText(p.activity);
    Dietary_cmb->setCurrentText(p.dietKind);
    // 5. Basis.
    if (p.standardBasis)
        IsPer_rdo->setChecked(true);
    else
        Pre_rdo->setChecked(true);
    // 6. States.
    PregnantFir_chk->setChecked(p.pregnantFir);
    PregnantMid_chk->setChecked(p.pregnantMid);
    PregnantLast_chk->setChecked(p.pregnantLast);
    PregnantBaby_chk->setChecked(p.pregnantBaby);
    // 7. Feeding.
    MatrixNo_rdo->setChecked(p.formulaFeeding);
    // 8. Derivation, then 9. the stored matrix is what the window shows.
    ComputeRequirements();
    m_state.matrix = stored;
    showMatrix();
    ShowEnergyShares();
}

void TPersonalInfo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        Load_btn->setVisible(!m_surveyMode);
        LoadProfile();
        Accept_btn->setFocus();
    }
}

void TPersonalInfo::Accept()
{
    // Without a usable database neither the requirement rows nor the profile
    // file are written, and the workbench is not shown.
    if (!db().isOpen()) {
        prompt::error(this, databaseErrorText(tr("数据库未打开，无法保存需求量。")));
        return;
    }
    m_run.setProfileKind(RunState::ProfileKind::Individual);

    m_state.matrix = matrix();
    m_state.matrix.fillEmptyWithZero();
    showMatrix();

    // Cells that are not numbers (the key filter admits "1..2") are named, and nothing is written.
    for (int n = 0; n < kRequirementCount; ++n) {
        for (int r = 0; r < kRequirementRows; ++r) {
            bool ok = true;
            m_state.matrix.value(r, n, &ok);
            if (!ok) {
                static const char *const rowNames[] = {"标值", "下限", "上限"};
                prompt::warn(this, QStringLiteral("\"%1\"的%2“%3”不是有效的数字，请修改后再确定。")
                                       .arg(requirementHeader(n), QString::fromUtf8(rowNames[r]),
                                            m_state.matrix.text(r, n)));
                return;
            }
        }
    }
    // Height and weight are kept in the profile as typed: a text that is no
    // height or weight is refused here, not stored.
    {
        QString message;
        if (!input::readWhole(QStringLiteral("身高[CM]"), High_edt->text(), 0, 300, nullptr, &message)
            || !input::readNumber(QStringLiteral("体重[KG]"), Weight_edt->text(), 0, 1000, nullptr, &message)) {
            prompt::warn(this, message);
            return;
        }
    }
    if (Pre_rdo->isChecked()) {
        bool ok = false;
        const double w = parseNumber(Weight_edt->text(), &ok);
        if (Weight_edt->text().trimmed().isEmpty() || !ok || w <= 0) {
            prompt::warn(this, QStringLiteral("“体重[KG]”必须是大于 0 的数字：根据个人体重计算需要有效的体重。"));
            Weight_edt->setFocus();
            return;
        }
    }

    const QStringList warnings = validateRequirements(m_state.matrix);
    for (const QString &w : warnings)
        prompt::warn(this, w);
    if (!warnings.isEmpty())
        return;

    // The rows first (one transaction): when they cannot be written the profile
    // file still holds the last confirmed profile.
    QString err = writeRequirementRows(db(), m_state.matrix);
    if (!err.isEmpty()) {
        prompt::error(this, databaseErrorText(err));
        return;
    }
    QString notice;
    err = writePersonalProfile(personalProfilePath(), profileData(), m_state.matrix, &notice);
    if (!err.isEmpty()) {
        prompt::error(this, err);
        return;
    }
    if (!notice.isEmpty())
        prompt::warn(this, notice);

    if (m_surveyMode) {
        hide();
        if (surveyEntryOpener())
            surveyEntryOpener()(parentWidget());
    } else {
        // A workbench already in view keeps its day but evaluates against the
        // new rows; a hidden one is shown (and evaluates as it appears).
        m_run.notifyRequirementsChanged();
        m_run.requestWorkbench();
    }
    accept();
}

void TPersonalInfo::Load()
{
    if (m_surveyMode)
        return;
    const QString chosen = Prompt::current().openFile(this, QStringLiteral("读取"), QString(),
                                                      planfile::profileCopyFilter());
    if (chosen.isEmpty())
        return;
    // The chosen copy is read whole before it replaces the current profile.
    {
        PersonalProfileData probe;
        RequirementMatrix probeMatrix;
        QString why;
        if (!readPersonalProfile(chosen, probe, probeMatrix, &why)) {
            prompt::warn(this, why.isEmpty() ? QStringLiteral("文件 %1 不存在。").arg(QDir::toNativeSeparators(chosen))
                                             : why);
            return;
        }
    }
    const plan::PlanResult copied = planfile::copyProfile(chosen, personalProfilePath());
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
    LoadProfile();
}

void TPersonalInfo::done(int result)
{
    // A survey's entries do not outlive the survey.
    QString err;
    if (m_surveyMode && !ClearTable(QStringLiteral("NQBNutri_tmp"), &err))
        prompt::error(this, err);
    QDialog::done(result);
}

void TPersonalInfo::run(QWidget *parent, RunState &state)
{
    TPersonalInfo dlg(state, parent);
    dlg.exec();
}
