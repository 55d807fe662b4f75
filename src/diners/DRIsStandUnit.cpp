#include "diners/DRIsStandUnit.h"

#include "data/DataModule.h"
#include "data/NumberFormat.h"
#include "widgets/DataGrid.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>

using namespace nqb;

namespace {

QRadioButton *radio(const QString &text, const char *name, QWidget *parent, QLayout *layout)
{
    auto *r = new QRadioButton(text, parent);
    r->setObjectName(QString::fromLatin1(name));
    layout->addWidget(r);
    return r;
}

} // namespace

TDRIsStand::TDRIsStand(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TDRIsStand"));
    setWindowTitle(QStringLiteral("DRIs设置"));
    buildUi();
    RefreshStandards();
}

TDRIsStand::~TDRIsStand() = default;

void TDRIsStand::buildUi()
{
    // The caption of the chosen option of every group is drawn in red.
    setStyleSheet(QStringLiteral("QRadioButton { color: black; } QRadioButton:checked { color: red; }"));
    auto *root = new QVBoxLayout(this);
    root->addWidget(makeTitleBand(QStringLiteral("DRIs 设 置"), this));

    auto *filters = new QGroupBox(this);
    auto *fl = new QGridLayout(filters);
    auto row = [this, fl](int r, const QString &label) {
        fl->addWidget(new QLabel(label, this), r, 0);
        auto *h = new QHBoxLayout;
        fl->addLayout(h, r, 1);
        return h;
    };
    QHBoxLayout *h = row(0, QStringLiteral("性别："));
    SexMale_rdo = radio(QStringLiteral("男"), "SexMale_rdo", this, h);
    SexFemale_rdo = radio(QStringLiteral("女"), "SexFemale_rdo", this, h);
    h->addSpacing(30);
    auto *stateLabel = new QLabel(QStringLiteral("是否怀孕、哺乳："), this);
    stateLabel->setObjectName(QStringLiteral("State_lab"));
    h->addWidget(stateLabel);
    IsPreYes_rdo = radio(QStringLiteral("是"), "IsPreYes_rdo", this, h);
    IsPerNo_rdo = radio(QStringLiteral("否"), "IsPerNo_rdo", this, h);
    h->addStretch();
    h = row(1, QStringLiteral("体力活动强度："));
    ActLight_rdo = radio(QStringLiteral("轻度"), "ActLight_rdo", this, h);
    ActMid_rdo = radio(QStringLiteral("中度"), "ActMid_rdo", this, h);
    ActHeavy_rdo = radio(QStringLiteral("重度"), "ActHeavy_rdo", this, h);
    h->addStretch();
    h = row(2, QStringLiteral("营养素摄入量参考标准："));
    RNI_rdo = radio(QStringLiteral("标准"), "RNI_rdo", this, h);
    EAR_rdo = radio(QStringLiteral("下限"), "EAR_rdo", this, h);
    UL_rdo = radio(QStringLiteral("上限"), "UL_rdo", this, h);
    h->addStretch();
    root->addWidget(filters);

    auto group = [this](std::initializer_list<QRadioButton *> radios) {
        auto *g = new QButtonGroup(this);
        for (QRadioButton *r : radios)
            g->addButton(r);
        return g;
    };
    group({SexMale_rdo, SexFemale_rdo});
    m_stateGroup = group({IsPreYes_rdo, IsPerNo_rdo});
    group({ActLight_rdo, ActMid_rdo, ActHeavy_rdo});
    group({RNI_rdo, EAR_rdo, UL_rdo});
    SexMale_rdo->setChecked(true);
    ActLight_rdo->setChecked(true);
    RNI_rdo->setChecked(true);
    stateLabel->setEnabled(false);
    IsPreYes_rdo->setEnabled(false);
    IsPerNo_rdo->setEnabled(false);

    const QStringList cols = standardValueColumns();
    const QStringList titles = standardValueTitles();
    m_model = new QStandardItemModel(0, cols.size() + 1, this);
    m_model->setHorizontalHeaderLabels(QStringList{QStringLiteral("AGETEXT")} + cols);
    DBGridEh1 = new DataGrid(this);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setModel(m_model);
    QList<DataGrid::Column> gridCols{{QStringLiteral("AGETEXT"), QStringLiteral("年龄阶段[Age]"), 100}};
    for (int i = 0; i < cols.size(); ++i)
        gridCols.append({cols[i], titles[i], titles[i].size() > 7 ? 100 : 80});
    DBGridEh1->setColumns(gridCols, true);
    DBGridEh1->setReadOnly(false);
    DBGridEh1->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBGridEh1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGridEh1->setFrozenColumn(true);
    root->addWidget(DBGridEh1, 1);

    auto *buttons = new QHBoxLayout;
    Restore_btn = new QPushButton(QStringLiteral("恢复默认"), this);
    Restore_btn->setObjectName(QStringLiteral("Restore_btn"));
    BitBtn1 = new QPushButton(QStringLiteral(" 关  闭"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    for (QPushButton *b : {Restore_btn, BitBtn1})
        b->setAutoDefault(false);
    buttons->addWidget(Restore_btn);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    root->addLayout(buttons);

    auto on = [this](QRadioButton *r, auto handler) {
        connect(r, &QRadioButton::toggled, this, [this, handler](bool checked) {
            if (checked)
                (this->*handler)();
        });
    };
    on(SexMale_rdo, &TDRIsStand::maleClicked);
    on(SexFemale_rdo, &TDRIsStand::femaleClicked);
    on(IsPreYes_rdo, &TDRIsStand::statesYesClicked);
    on(IsPerNo_rdo, &TDRIsStand::statesNoClicked);
    const std::pair<QRadioButton *, const char *> acts[] = {
        {ActLight_rdo, "轻体力活动"}, {ActMid_rdo, "中体力活动"}, {ActHeavy_rdo, "重体力活动"}};
    for (const auto &[r, level] : acts) {
        const QString text = QString::fromUtf8(level);
        connect(r, &QRadioButton::toggled, this, [this, text](bool checked) {
            if (!checked)
                return;
            m_filter.activity = text;
            RefreshStandards();
        });
    }
    const std::pair<QRadioButton *, const char *> kinds[] = {{RNI_rdo, "RNI"}, {EAR_rdo, "EAR"}, {UL_rdo, "UL"}};
    for (const auto &[r, kind] : kinds) {
        const QString text = QString::fromLatin1(kind);
        connect(r, &QRadioButton::toggled, this, [this, text](bool checked) {
            if (!checked)
                return;
            m_filter.kind = text;
            RefreshStandards();
        });
    }
    connect(m_model, &QStandardItemModel::itemChanged, this, [this](QStandardItem *item) {
        if (!m_filling)
            m_dirtyRow = item->row();
    });
    connect(DBGridEh1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &cur, const QModelIndex &prev) {
                currentRowChanged(cur.isValid() ? DBGridEh1->sourceRow(cur.row()) : -1,
                                  prev.isValid() ? DBGridEh1->sourceRow(prev.row()) : -1);
            });
    connect(Restore_btn, &QPushButton::clicked, this, &TDRIsStand::RestoreDefaults);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    resize(1100, 620);
}

void TDRIsStand::setStateRadios(bool enabled, bool checkNo)
{
    IsPreYes_rdo->setEnabled(enabled);
    IsPerNo_rdo->setEnabled(enabled);
    if (auto *label = findChild<QLabel *>(QStringLiteral("State_lab")))
        label->setEnabled(enabled);
    if (checkNo) {
        IsPerNo_rdo->setChecked(true);
        return;
    }
    m_stateGroup->setExclusive(false);
    {
        const QSignalBlocker b1(IsPreYes_rdo);
        const QSignalBlocker b2(IsPerNo_rdo);
        IsPreYes_rdo->setChecked(false);
        IsPerNo_rdo->setChecked(false);
    }
    m_stateGroup->setExclusive(true);
}

void TDRIsStand::maleClicked()
{
    m_filter.sex = QStringLiteral("男");
    setStateRadios(false, false);
    m_filter.states = false;
    ActMid_rdo->setEnabled(true);
    ActHeavy_rdo->setEnabled(true);
    RefreshStandards();
}

void TDRIsStand::femaleClicked()
{
    m_filter.sex = QStringLiteral("女");
    const bool wasNo = IsPerNo_rdo->isChecked();
    setStateRadios(true, true);
    if (wasNo) // "否" did not change, so its handling did not run
        RefreshStandards();
}

void TDRIsStand::statesYesClicked()
{
    m_filter.states = true;
    const bool lightAlready = ActLight_rdo->isChecked();
    ActLight_rdo->setChecked(true); // runs its own handling when it changes
    ActMid_rdo->setEnabled(false);
    ActHeavy_rdo->setEnabled(false);
    if (lightAlready)
        RefreshStandards();
}

void TDRIsStand::statesNoClicked()
{
    m_filter.states = false;
    ActMid_rdo->setEnabled(true);
    ActHeavy_rdo->setEnabled(true);
    RefreshStandards();
}

void TDRIsStand::RefreshStandards()
{
    // Leaving the rows for others: a pending correction is stored or, when
    // refused, given up after its warning.
    commitPendingRow();
    m_dirtyRow = -1;
    QList<StandardRow> rows;
    const Result r = readStandards(db(), m_filter, rows);
    if (!r)
        prompt::error(this, r.message);
    m_rows = rows;
    m_filling = true;
    m_model->removeRows(0, m_model->rowCount());
    for (const StandardRow &row : m_rows) {
        QList<QStandardItem *> items;
        auto *age = new QStandardItem(row.ageText.trimmed());
        age->setEditable(false);
        items << age;
        for (const QString &v : row.values) {
            auto *item = new QStandardItem;
            if (!v.isEmpty())
                item->setData(parseNumber(v), Qt::EditRole);
            items << item;
        }
        m_model->appendRow(items);
    }
    m_filling = false;
}

StandardRow TDRIsStand::shownRow(int row) const
{
    StandardRow r = m_rows.value(row);
    r.values.clear();
    for (int c = 1; c < m_model->columnCount(); ++c) {
        const QVariant v = m_model->item(row, c) ? m_model->item(row, c)->data(Qt::EditRole) : QVariant();
        if (!v.isValid() || v.isNull())
            r.values << QString();
        else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int)
            r.values << fmtG(v.toDouble());
        else
            r.values << v.toString();
    }
    return r;
}

bool TDRIsStand::commitPendingRow()
{
    if (m_dirtyRow < 0 || m_dirtyRow >= m_rows.size())
        return true;
    const int row = m_dirtyRow;
    const StandardRow shown = shownRow(row);
    const Result r = storeStandardRow(db(), shown);
    if (!r) {
        if (r.status == Status::DbError)
            prompt::error(this, r.message);
        else
            prompt::warn(this, r.message);
        return false;
    }
    m_dirtyRow = -1;
    m_rows[row].values = shown.values;
    return true;
}

void TDRIsStand::currentRowChanged(int current, int previous)
{
    if (m_returning || previous < 0 || previous != m_dirtyRow || current == previous)
        return;
    if (commitPendingRow())
        return;
    // Refused: back to the row, with the values as typed, to correct them.
    QTimer::singleShot(0, this, [this, previous] {
        m_returning = true;
        DBGridEh1->setCurrentIndex(DBGridEh1->model()->index(previous, 1));
        m_returning = false;
    });
}

void TDRIsStand::RestoreDefaults()
{
    if (m_rows.isEmpty())
        return;
    if (!prompt::ask(this, QStringLiteral("将本页显示的 %1 行恢复为系统自带的 DRIs（2013 版）数值，确定吗？")
                               .arg(m_rows.size())))
        return;
    m_dirtyRow = -1; // the shipped values replace any pending correction
    const Result r = restoreShippedStandards(db(), m_rows);
    if (!r)
        prompt::error(this, r.message);
    RefreshStandards();
}

void TDRIsStand::done(int result)
{
    // Closing leaves the row too.
    commitPendingRow();
    m_dirtyRow = -1;
    QDialog::done(result);
}

void TDRIsStand::run(QWidget *parent)
{
    TDRIsStand dlg(parent);
    dlg.exec();
}
