#include "planning/CustomPantryFoodUnit.h"

#include "data/NumberFormat.h"
#include "planning/CustomPantry.h"
#include "planning/MealPlan.h"
#include "planning/Workbench.h"
#include "widgets/DataGrid.h"
#include "widgets/FoodPicker.h"
#include "widgets/NumericEdit.h"
#include "widgets/PickList.h"
#include "widgets/Pickers.h"
#include "widgets/Prompt.h"
#include "widgets/SearchEdit.h"
#include "widgets/TitleBand.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace nqb;

namespace {

// Columns of the menu grid, in model order.
enum MenuColumn { PantryCol, DinerTimeCol, FoodNameCol, WeightCol, MenuColumnCount };

const QString kSearchPrompt = QStringLiteral("首字母/汉字");

// The weight cell is typed into a numeric edit: digits and "." only. The text
// goes to the model as typed; the window stores it (or refuses it).
class WeightDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *e = new NumericEdit(parent);
        e->setObjectName(QStringLiteral("Weight_edt"));
        e->setFrame(false);
        e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return e;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *e = static_cast<NumericEdit *>(editor);
        const QVariant v = index.data(Qt::EditRole);
        e->setText(v.isNull() || v.toString().isEmpty() ? QString() : fmtG(v.toDouble()));
        e->selectAll();
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        const QString text = static_cast<NumericEdit *>(editor)->text();
        const QVariant old = index.data(Qt::EditRole);
        const QString oldText = old.isNull() ? QString() : fmtG(old.toDouble());
        if (text.trimmed() == oldText)
            return; // nothing changed: no write
        model->setData(index, text, Qt::EditRole);
    }
};

QStandardItem *readOnlyItem(const QString &text)
{
    auto *it = new QStandardItem(text);
    it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return it;
}

} // namespace

TCustomPantryFood::TCustomPantryFood(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TCustomPantryFood"));
    setWindowTitle(QStringLiteral("编辑"));
    buildUi();
    fillChoosers();
    ShowSlotMenu();
}

TCustomPantryFood::~TCustomPantryFood() = default;

void TCustomPantryFood::buildUi()
{
    auto *root = new QVBoxLayout(this);
    root->addWidget(makeTitleBand(QStringLiteral("带  量  菜  谱  编  辑"), this));

    auto *body = new QHBoxLayout;
    root->addLayout(body, 1);

    // ---- left: finding an item ----
    auto *left = new QVBoxLayout;
    body->addLayout(left, 2);

    m_picker = new FoodPicker(this, [] {
        FoodPicker::Options o;
        o.treePageMargin = 0;
        o.searchPrompt = kSearchPrompt;
        o.followCurrentCell = true;
        return o;
    }());
    PageControl1 = m_picker->tabs();
    TabSheetCate = m_picker->dishPage();
    Cate_tre = m_picker->dishTree();
    TabSheetFood = m_picker->foodPage();
    Food_tre = m_picker->foodTree();
    left->addWidget(PageControl1, 2);

    auto *findRow = new QHBoxLayout;
    SearchFood_edt = m_picker->searchBox();
    SearchFood_edt->setClearOnClick(true);
    Element_cmb = m_picker->elementCombo();
    findRow->addWidget(SearchFood_edt, 1);
    findRow->addWidget(Element_cmb, 1);
    left->addLayout(findRow);

    StrGrid = m_picker->pickList();
    StrGrid->setRowCount(1);
    left->addWidget(StrGrid, 3);

    // ---- right: the slot's list ----
    auto *right = new QVBoxLayout;
    body->addLayout(right, 3);

    auto *slotBox = new QGroupBox(QStringLiteral("餐    名"), this);
    slotBox->setObjectName(QStringLiteral("Slot_GroupBox"));
    auto *slotLayout = new QHBoxLayout(slotBox);
    auto *slotGroup = new QButtonGroup(this);
    for (const plan::MealSlotInfo &s : plan::mealSlots()) {
        auto *r = new QRadioButton(QString::fromUtf8(s.radioCaption), slotBox);
        r->setObjectName(QString::fromLatin1(s.radioName));
        slotGroup->addButton(r);
        slotLayout->addWidget(r);
        m_slotRadios << r;
    }
    m_slotRadios.first()->setChecked(true);
    right->addWidget(slotBox);

    m_menu = new QStandardItemModel(0, MenuColumnCount, this);
    m_menu->setHorizontalHeaderLabels(
        {QStringLiteral("PANTRY"), QStringLiteral("DINERTIME"), QStringLiteral("FOODNAME"), QStringLiteral("WEIGHT")});
    DBGridEh1 = new DataGrid(this);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setModel(m_menu);
    DBGridEh1->setColumns({{QStringLiteral("PANTRY"), {}, -1, DataGrid::FooterKind::None, {}, false},
                           {QStringLiteral("DINERTIME"), QStringLiteral("餐    名 Diner Time"), 110},
                           {QStringLiteral("FOODNAME"), QStringLiteral("食 物 名 称   FoodName"), 240},
                           {QStringLiteral("WEIGHT"), QStringLiteral("重量  [g]"), 90}});
    DBGridEh1->setReadOnly(false); // only the weight cells are editable (item flags)
    DBGridEh1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGridEh1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGridEh1->setItemDelegateForColumn(WeightCol, new WeightDelegate(DBGridEh1));
    right->addWidget(DBGridEh1, 1);

    auto *buttons = new QHBoxLayout;
    Insert_btn = new QPushButton(QStringLiteral("增 加"), this);
    Insert_btn->setObjectName(QStringLiteral("Insert_btn"));
    Del_btn = new QPushButton(QStringLiteral("删 除"), this);
    Del_btn->setObjectName(QStringLiteral("Del_btn"));
    Close_btn = new QPushButton(QStringLiteral("关 闭"), this);
    Close_btn->setObjectName(QStringLiteral("Close_btn"));
    // Enter belongs to the search box, the pick list and the weight cells; a
    // button is pressed only by a click or by Space on it.
    for (QPushButton *b : {Insert_btn, Del_btn, Close_btn}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    buttons->addStretch();
    buttons->addWidget(Insert_btn);
    buttons->addWidget(Del_btn);
    buttons->addWidget(Close_btn);
    right->addLayout(buttons);

    // The current pick, not shown.
    FoodName_edt = new QLineEdit(this);
    FoodName_edt->setObjectName(QStringLiteral("FoodName_edt"));
    FoodName_edt->setHidden(true);
    FoodID_lab = new QLabel(this);
    FoodID_lab->setObjectName(QStringLiteral("FoodID_lab"));
    FoodID_lab->setHidden(true);

    setTabOrder(PageControl1, SearchFood_edt);
    setTabOrder(SearchFood_edt, Element_cmb);
    setTabOrder(Element_cmb, StrGrid);
    resize(980, 600);

    // ---- behaviour ----
    connect(m_picker, &FoodPicker::clicked, this, [this](const QString &name) { pick(name); });
    connect(m_picker, &FoodPicker::activated, this, [this](const QString &name) {
        pick(name);
        Insert();
    });
    for (QRadioButton *r : m_slotRadios) {
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                ShowSlotMenu();
        });
    }
    connect(m_menu, &QStandardItemModel::itemChanged, this, &TCustomPantryFood::weightEdited);
    connect(Insert_btn, &QPushButton::clicked, this, &TCustomPantryFood::Insert);
    connect(Del_btn, &QPushButton::clicked, this, &TCustomPantryFood::Delete);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::accept);
}

void TCustomPantryFood::fillChoosers()
{
    QString err;
    if (!FillFoodTree(Food_tre, &err) || !FillDishTree(Cate_tre, &err) || !FillElementCombo(Element_cmb, &err))
        showError(err);
}

void TCustomPantryFood::showError(const QString &error)
{
    prompt::error(this, error);
}

QString TCustomPantryFood::currentSlot() const
{
    for (int i = 0; i < m_slotRadios.size(); ++i) {
        if (m_slotRadios.at(i)->isChecked())
            return plan::slotName(plan::mealSlots()[i].slot);
    }
    return plan::slotName(plan::MealSlot::Breakfast);
}

QString TCustomPantryFood::pickedName() const
{
    return FoodName_edt->text();
}

QString TCustomPantryFood::pickedId() const
{
    return FoodID_lab->text();
}

bool TCustomPantryFood::dishPageCurrent() const
{
    return PageControl1->currentWidget() == TabSheetCate;
}

// ---------------------------------------------------------------- pick list

void TCustomPantryFood::pick(const QString &name)
{
    const QString n = name.trimmed();
    FoodName_edt->setText(name);
    QString id;
    if (!n.isEmpty()) {
        QString err;
        const plan::FoodRow row = plan::lookupFoodByName(
            n, m_picker->listKind(), &err);
        if (!err.isEmpty())
            showError(err);
        id = row.code.trimmed();
    }
    FoodID_lab->setText(id);
}

// ---------------------------------------------------------------- the slot's list

void TCustomPantryFood::ShowSlotMenu()
{
    QString err;
    const QList<pantry::PantryItem> items = pantry::slotMenu(currentSlot(), &err);
    m_filling = true;
    m_menu->removeRows(0, m_menu->rowCount());
    for (const pantry::PantryItem &it : items) {
        auto *weight = new QStandardItem;
        weight->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        if (!it.weight.isNull())
            weight->setData(it.weight.toDouble(), Qt::EditRole);
        m_menu->appendRow({readOnlyItem(it.pantry), readOnlyItem(it.dinerTime), readOnlyItem(it.foodName), weight});
    }
    m_filling = false;
    if (!err.isEmpty())
        showError(err);
}

void TCustomPantryFood::selectMenuRow(const QString &pantry)
{
    for (int r = 0; r < DBGridEh1->rowCount(); ++r) {
        if (DBGridEh1->value(r, QStringLiteral("PANTRY")).toString().trimmed() == pantry.trimmed()) {
            DBGridEh1->setCurrentIndex(DBGridEh1->model()->index(r, FoodNameCol));
            return;
        }
    }
}

void TCustomPantryFood::Insert()
{
    const QString id = FoodID_lab->text().trimmed();
    const pantry::PantryResult r = pantry::addItem(id, FoodName_edt->text(), currentSlot());
    switch (r.status) {
    case pantry::PantryStatus::Ok:
        break;
    case pantry::PantryStatus::DbError:
        showError(r.message);
        return;
    default:
        prompt::warn(this, r.message);
        return;
    }
    ShowSlotMenu();
    selectMenuRow(id);
    FoodName_edt->clear();
}

void TCustomPantryFood::Delete()
{
    if (DBGridEh1->currentSourceRow() < 0)
        return; // no row to delete
    if (!prompt::ask(this, QStringLiteral("确认删除？")))
        return;
    const int row = DBGridEh1->currentIndex().row();
    const QString id = DBGridEh1->currentValue(QStringLiteral("PANTRY")).toString();
    const QString slot = DBGridEh1->currentValue(QStringLiteral("DINERTIME")).toString();
    const pantry::PantryResult r = pantry::deleteItem(id, slot);
    if (!r.ok())
        showError(r.message);
    ShowSlotMenu();
    if (DBGridEh1->rowCount() > 0)
        DBGridEh1->setCurrentIndex(DBGridEh1->model()->index(qMin(row, DBGridEh1->rowCount() - 1), FoodNameCol));
}

void TCustomPantryFood::weightEdited(QStandardItem *item)
{
    if (m_filling || !item || item->column() != WeightCol)
        return;
    const int row = item->row();
    const QString id = m_menu->item(row, PantryCol)->text();
    const QString slot = m_menu->item(row, DinerTimeCol)->text();
    const QString text = item->data(Qt::EditRole).toString();
    const pantry::PantryResult r = pantry::setWeight(id, slot, text);
    if (!r.ok()) {
        if (r.status == pantry::PantryStatus::DbError)
            showError(r.message);
        else
            prompt::warn(this, r.message);
    }
    // Show what the table holds now (the stored number, or the old one).
    m_filling = true;
    QString err;
    item->setData(QVariant(), Qt::EditRole);
    for (const pantry::PantryItem &it : pantry::slotMenu(slot, &err)) {
        if (it.pantry == id) {
            if (!it.weight.isNull())
                item->setData(it.weight.toDouble(), Qt::EditRole);
            break;
        }
    }
    m_filling = false;
}
