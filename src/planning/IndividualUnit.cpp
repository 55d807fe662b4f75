#include "planning/IndividualUnit.h"

#include "data/DataModule.h"
#include "data/FunctionUnit.h"
#include "data/NumberFormat.h"
#include "planning/MealPlan.h"
#include "planning/ResultUnit.h"
#include "planning/SurveyResult.h"
#include "widgets/DataGrid.h"
#include "widgets/FoodPicker.h"
#include "widgets/NumericEdit.h"
#include "widgets/PickList.h"
#include "widgets/Pickers.h"
#include "widgets/Prompt.h"
#include "widgets/SearchEdit.h"
#include "widgets/TitleBand.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>

using namespace nqb;

namespace {

const QString kSearchPrompt = QStringLiteral("首字母/汉字");

enum ListColumn { CodeColumn, NameColumn, WeightColumn };

// The survey list: CODE, FOODNAME and WEIGHT of the entries. Only the weight
// can be edited; a typed weight goes to the database before the cell takes it,
// so a refused weight leaves the cell as it was.
class SurveyListModel : public QStandardItemModel
{
public:
    std::function<bool(int row, const QString &text)> weightTyped;

    explicit SurveyListModel(QObject *parent)
        : QStandardItemModel(0, 3, parent)
    {
        setHorizontalHeaderLabels({QStringLiteral("CODE"), QStringLiteral("FOODNAME"), QStringLiteral("WEIGHT")});
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (index.column() == WeightColumn)
            f |= Qt::ItemIsEditable;
        return f;
    }

    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        if (role != Qt::EditRole || index.column() != WeightColumn)
            return QStandardItemModel::setData(index, value, role);
        const QString text = value.toString().trimmed();
        if (!weightTyped || !weightTyped(index.row(), text))
            return false;
        const QVariant stored = text.isEmpty() ? QVariant() : QVariant(parseNumber(text));
        return QStandardItemModel::setData(index, stored, role);
    }
};

// Weights are typed with digits and "." only, and shown in general format.
class WeightDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *e = new NumericEdit(parent);
        e->setFrame(false);
        return e;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        const QVariant v = index.data(Qt::EditRole);
        static_cast<NumericEdit *>(editor)->setText(v.isNull() ? QString() : fmtG(toNumber(v)));
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        model->setData(index, static_cast<NumericEdit *>(editor)->text(), Qt::EditRole);
    }
    QString displayText(const QVariant &value, const QLocale &locale) const override
    {
        if (value.isNull())
            return {};
        if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Int)
            return fmtG(value.toDouble());
        return QStyledItemDelegate::displayText(value, locale);
    }
};

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TIndividual::TIndividual(QWidget *parent)
    : QDialog(parent)
{
    buildUi();
}

TIndividual::~TIndividual() = default;

void TIndividual::buildUi()
{
    setObjectName(QStringLiteral("TIndividual"));
    setWindowTitle(QStringLiteral("菜肴录入"));
    resize(900, 560);

    auto *root = new QVBoxLayout(this);
    root->addWidget(makeTitleBand(QStringLiteral("菜  肴  录  入"), this));

    auto *body = new QHBoxLayout;
    root->addLayout(body, 1);

    // Left: the dish categories and the raw food groups.
    m_picker = new FoodPicker(this, [] {
        FoodPicker::Options o;
        o.searchPrompt = kSearchPrompt;
        o.listedOrder = true;
        return o;
    }());
    PageControl1 = m_picker->tabs();
    TabSheetCate = m_picker->dishPage();
    Cate_tre = m_picker->dishTree();
    TabSheetFood = m_picker->foodPage();
    Food_tre = m_picker->foodTree();
    PageControl1->setCurrentWidget(TabSheetFood);
    PageControl1->setMinimumWidth(200);
    body->addWidget(PageControl1, 2);

    // Middle: the search box, the pick list and the add button.
    auto *middle = new QVBoxLayout;
    SearchFood_edt = m_picker->searchBox();
    SearchFood_edt->setClearOnClick(true);
    middle->addWidget(SearchFood_edt);
    Search_btn = button(QStringLiteral("查找"), "Search_btn", this);
    Search_btn->hide();
    connect(Search_btn, &QPushButton::clicked, this, &TIndividual::Search);
    StrGrid = m_picker->pickList();
    connect(m_picker, &FoodPicker::activated, this, [this](const QString &name) { addName(name); });
    middle->addWidget(StrGrid, 1);
    Add_btn = button(QStringLiteral(" 增 加"), "Add_btn", this);
    connect(Add_btn, &QPushButton::clicked, this, &TIndividual::Add);
    middle->addWidget(Add_btn);
    body->addLayout(middle, 3);

    // Right: the list with its weights and the commands.
    auto *right = new QVBoxLayout;
    Reserch_Grid = new DataGrid(this);
    Reserch_Grid->setObjectName(QStringLiteral("Reserch_Grid"));
    m_list = new SurveyListModel(this);
    static_cast<SurveyListModel *>(m_list)->weightTyped = [this](int row, const QString &text) {
        return weightTyped(row, text);
    };
    Reserch_Grid->setModel(m_list);
    Reserch_Grid->setColumns(
        {{QStringLiteral("CODE"), QString(), -1, DataGrid::FooterKind::None, QString(), false},
         {QStringLiteral("FOODNAME"), QStringLiteral(" 食 物 名 称  FoodName"), 200, DataGrid::FooterKind::Count},
         {QStringLiteral("WEIGHT"), QStringLiteral("重量[g]"), 90, DataGrid::FooterKind::Sum}},
        true);
    Reserch_Grid->setReadOnly(false);
    Reserch_Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Reserch_Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Reserch_Grid->setItemDelegateForColumn(WeightColumn, new WeightDelegate(Reserch_Grid));
    right->addWidget(Reserch_Grid, 1);

    auto *commands = new QHBoxLayout;
    Del_btn = button(QStringLiteral(" 删 除"), "Del_btn", this);
    Accept_btn = button(QStringLiteral(" 评 测"), "Accept_btn", this);
    Clear_btn = button(QStringLiteral(" 清 空"), "Clear_btn", this);
    Close_btn = button(QStringLiteral(" 关  闭"), "Close_btn", this);
    for (QPushButton *b : {Del_btn, Accept_btn, Clear_btn, Close_btn})
        commands->addWidget(b);
    right->addLayout(commands);
    body->addLayout(right, 4);

    connect(Del_btn, &QPushButton::clicked, this, &TIndividual::Del);
    connect(Accept_btn, &QPushButton::clicked, this, &TIndividual::Evaluate);
    connect(Clear_btn, &QPushButton::clicked, this, &TIndividual::Clear);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::accept);
}

void TIndividual::run(QWidget *parent)
{
    TIndividual dlg(parent);
    dlg.exec();
}

void TIndividual::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || m_shown)
        return;
    m_shown = true;
    QString err;
    if (!FillFoodTree(Food_tre, &err) || !FillDishTree(Cate_tre, &err))
        prompt::error(this, err);
    ReloadGrid();
}

bool TIndividual::rawFoodPageActive() const
{
    return PageControl1->currentWidget() == TabSheetFood;
}

void TIndividual::ReloadGrid()
{
    const int current = Reserch_Grid->currentIndex().row();
    m_list->removeRows(0, m_list->rowCount());
    QSqlQuery q(db());
    if (!q.exec(QStringLiteral("SELECT CODE, FOODNAME, WEIGHT FROM NQBNutri_tmp ORDER BY rowid"))) {
        prompt::error(this, q.lastError().text());
        return;
    }
    while (q.next()) {
        QList<QStandardItem *> row;
        row << new QStandardItem(q.value(0).toString()) << new QStandardItem(q.value(1).toString());
        auto *weight = new QStandardItem;
        const QVariant w = q.value(2);
        if (!w.isNull() && !w.toString().trimmed().isEmpty())
            weight->setData(toNumber(w), Qt::EditRole);
        row << weight;
        m_list->appendRow(row);
    }
    if (m_list->rowCount() > 0) {
        const int r = qBound(0, current, m_list->rowCount() - 1);
        Reserch_Grid->setCurrentIndex(Reserch_Grid->model()->index(r, NameColumn));
    }
}

void TIndividual::FoodTreeClick()
{
    m_picker->listFoodGroup();
}

void TIndividual::CateTreeClick()
{
    m_picker->listDishKind();
}

void TIndividual::Search()
{
    m_picker->search();
}

void TIndividual::Add()
{
    addName(StrGrid->currentName());
}

void TIndividual::addName(const QString &name)
{
    const QString n = name.trimmed();
    if (n.isEmpty()) {
        // An empty cell names no food: nothing to add.
        prompt::warn(this, plan::nothingChosenMessage());
        return;
    }
    // The name is looked up in the table the pick list was filled from, whichever
    // tree page is showing now.
    const plan::PlanResult r = survey::addEntry(n, m_picker->listKind());
    if (r.status == plan::PlanStatus::DbError)
        prompt::error(this, r.message);
    else if (!r.ok())
        prompt::warn(this, r.message);
    ReloadGrid();
}

bool TIndividual::weightTyped(int row, const QString &text)
{
    const QString name = m_list->index(row, NameColumn).data().toString();
    const plan::PlanResult r = survey::setWeight(name, text);
    if (r.ok())
        return true;
    if (r.status == plan::PlanStatus::DbError)
        prompt::error(this, r.message);
    else
        prompt::warn(this, r.message);
    return false;
}

void TIndividual::Del()
{
    const int row = Reserch_Grid->currentSourceRow();
    if (row < 0)
        return;
    const QString code = m_list->index(row, CodeColumn).data().toString();
    const QString name = m_list->index(row, NameColumn).data().toString();
    const plan::PlanResult r = survey::deleteEntry(code, name);
    if (!r.ok())
        prompt::error(this, r.message);
    ReloadGrid();
}

void TIndividual::Clear()
{
    const plan::PlanResult r = plan::clearPlan();
    if (!r.ok())
        prompt::error(this, r.message);
    ReloadGrid();
}

void TIndividual::Evaluate()
{
    TResult::run(this);
    ReloadGrid();
}
