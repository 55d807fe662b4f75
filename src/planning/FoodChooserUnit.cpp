#include "planning/FoodChooserUnit.h"

#include "data/Db.h"
#include "data/FunctionUnit.h"
#include "data/NumberFormat.h"
#include "planning/CustomPantry.h"
#include "planning/CustomPantryFoodUnit.h"
#include "widgets/DataGrid.h"
#include "widgets/FoodPicker.h"
#include "widgets/PickList.h"
#include "widgets/Pickers.h"
#include "widgets/Prompt.h"
#include "widgets/SearchEdit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSqlQueryModel>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace nqb;

namespace {

const QString kSearchPrompt = QStringLiteral("首字母/汉字");

// The quantified-menu slot radios: objectName, caption, slot name.
struct MenuSlotRadio {
    const char *name;
    const char *caption;
    const char *slot;
};
const MenuSlotRadio kMenuSlotRadios[] = {
    {"Breakfast_rdo", "早     餐", "早餐"},    {"BreakfastMid_rdo", "早间餐", "早间餐"},
    {"Lunch_rdo", "午    餐", "午餐"},        {"LunchMid_rdo", "午间餐", "午间餐"},
    {"Supper_rdo", "晚     餐", "晚餐"},      {"SupperMid_rdo", "晚间餐", "晚间餐"},
    {"Midnight_rdo", "加     餐", "加餐"},
};

// Slightly smaller type and tight rows, like the workbench's other grids.
void compact(DataGrid *g)
{
    QFont f = g->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    g->setFont(f);
    g->verticalHeader()->setDefaultSectionSize(QFontMetrics(f).height() + 2);
}

QString compositionCaption(const QString &name)
{
    return QStringLiteral("每100g可食部分【%1】所含营养成分").arg(name);
}

} // namespace

TFoodChooser::TFoodChooser(QWidget *parent)
    : QWidget(parent)
    , m_foodSum(new QSqlQueryModel(this))
    , m_component(new QSqlQueryModel(this))
    , m_customPantry(new QSqlQueryModel(this))
{
    setObjectName(QStringLiteral("FoodChooser"));
    buildUi();
    m_picturePath = bench::defaultPicturePath();
}

TFoodChooser::~TFoodChooser()
{
    // The detail frames may live in the workbench's layout; they go with it.
}

void TFoodChooser::buildUi()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    // Mode.
    auto *modeBox = new QGroupBox(QStringLiteral("菜普选择"), this);
    modeBox->setObjectName(QStringLiteral("GroupBoxMode"));
    auto *modeLayout = new QHBoxLayout(modeBox);
    modeLayout->setContentsMargins(8, 2, 8, 4);
    AllFood_rdo = new QRadioButton(QStringLiteral("全菜普"), modeBox);
    AllFood_rdo->setObjectName(QStringLiteral("AllFood_rdo"));
    SomeFood_rdo = new QRadioButton(QStringLiteral("带量菜普"), modeBox);
    SomeFood_rdo->setObjectName(QStringLiteral("SomeFood_rdo"));
    modeLayout->addWidget(AllFood_rdo);
    modeLayout->addWidget(SomeFood_rdo);
    AllFood_rdo->setChecked(true);
    layout->addWidget(modeBox);

    // List mode: trees, search box, nutrient choice, pick list.
    m_listPanel = new QWidget(this);
    auto *listLayout = new QVBoxLayout(m_listPanel);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(4);
    m_picker = new FoodPicker(m_listPanel, [] {
        FoodPicker::Options o;
        o.treePageMargin = 2;
        o.searchPrompt = kSearchPrompt;
        return o;
    }());
    PageControl1 = m_picker->tabs();
    TabSheetCate = m_picker->dishPage();
    Cate_tre = m_picker->dishTree();
    TabSheetFood = m_picker->foodPage();
    Food_tre = m_picker->foodTree();
    for (QTreeWidget *t : {Cate_tre, Food_tre})
        t->setIndentation(14);
    PageControl1->setCurrentWidget(TabSheetFood);
    listLayout->addWidget(PageControl1, 4);

    auto *searchRow = new QHBoxLayout;
    searchRow->setSpacing(4);
    SearchFood_edt = m_picker->searchBox();
    SearchFood_edt->setClearOnClick(true); // a click in it empties it, typed text too
    Element_cmb = m_picker->elementCombo();
    searchRow->addWidget(SearchFood_edt, 1);
    searchRow->addWidget(Element_cmb, 1);
    listLayout->addLayout(searchRow);

    StrGrid = m_picker->pickList();
    StrGrid->setRowCount(20);
    listLayout->addWidget(StrGrid, 6);
    layout->addWidget(m_listPanel, 1);

    // Quantified-menu mode.
    GroupBox2 = new QGroupBox(QStringLiteral("带量菜普"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto *menuLayout = new QVBoxLayout(GroupBox2);
    menuLayout->setContentsMargins(6, 4, 6, 6);
    auto *radios = new QGridLayout;
    radios->setHorizontalSpacing(2);
    radios->setVerticalSpacing(2);
    int i = 0;
    for (const MenuSlotRadio &r : kMenuSlotRadios) {
        auto *rdo = new QRadioButton(QString::fromUtf8(r.caption), GroupBox2);
        rdo->setObjectName(QString::fromLatin1(r.name));
        rdo->setProperty("slot", QString::fromUtf8(r.slot));
        radios->addWidget(rdo, i / 3, i % 3);
        m_menuSlots << rdo;
        connect(rdo, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                OpenQuantifiedMenu();
        });
        ++i;
    }
    CateEdit_btn = new QPushButton(QStringLiteral("编  辑"), GroupBox2);
    CateEdit_btn->setObjectName(QStringLiteral("CateEdit_btn"));
    radios->addWidget(CateEdit_btn, 2, 1, 1, 2);
    menuLayout->addLayout(radios);
    CustomPantry_grid = new DataGrid(GroupBox2);
    CustomPantry_grid->setObjectName(QStringLiteral("CustomPantry_grid"));
    CustomPantry_grid->setReadOnly(true);
    compact(CustomPantry_grid);
    CustomPantry_grid->setColumns({
        {QStringLiteral("PANTRY"), QString(), -1, DataGrid::FooterKind::None, {}, false},
        {QStringLiteral("DINERTIME"), QStringLiteral("进餐时间 DineTime"), 58, DataGrid::FooterKind::Text,
         QStringLiteral("总  计："), true},
        {QStringLiteral("FOODNAME"), QStringLiteral("食 物 名 称   FoodName"), 112, DataGrid::FooterKind::Count, {},
         true},
        {QStringLiteral("WEIGHT"), QStringLiteral("重量 [g]"), 50, DataGrid::FooterKind::None, {}, true},
    });
    CustomPantry_grid->setModel(m_customPantry);
    menuLayout->addWidget(CustomPantry_grid, 1);
    layout->addWidget(GroupBox2, 1);
    GroupBox2->hide();
    {
        // The starting slot; its menu is read when the menu mode is first chosen.
        const QSignalBlocker block(m_menuSlots.first());
        m_menuSlots.first()->setChecked(true);
    }

    // Detail frames (laid out by the workbench).
    FoodCompose_GroupBox = new QGroupBox(QStringLiteral("每100g可食部分所含营养成分"), this);
    FoodCompose_GroupBox->setObjectName(QStringLiteral("FoodCompose_GroupBox"));
    auto *composeLayout = new QVBoxLayout(FoodCompose_GroupBox);
    composeLayout->setContentsMargins(4, 2, 4, 4);
    FoodCompose_Grid = new DataGrid(FoodCompose_GroupBox);
    FoodCompose_Grid->setObjectName(QStringLiteral("FoodCompose_Grid"));
    FoodCompose_Grid->setReadOnly(true);
    compact(FoodCompose_Grid);
    {
        QList<DataGrid::Column> cols;
        cols.append({QStringLiteral("FoodName"), QStringLiteral(" 食 物 名 称  FoodName"), 130});
        cols.append({QStringLiteral("EDIBLE"), QStringLiteral("食部[%]"), 56});
        const QStringList comp = compositionColumns();
        for (int c = 0; c < comp.size(); ++c)
            cols.append({comp[c], bench::compositionTitle(c), 70});
        cols.append({QStringLiteral("FoodDescribe"), QStringLiteral("食物描述"), 160});
        cols.append({QStringLiteral("ProducingArea"), QStringLiteral("产地"), 80});
        FoodCompose_Grid->setColumns(cols);
    }
    FoodCompose_Grid->setFrozenColumn(true);
    FoodCompose_Grid->setModel(m_foodSum);
    composeLayout->addWidget(FoodCompose_Grid);
    FoodCompose_GroupBox->hide();

    GroupBox3 = new QGroupBox(QStringLiteral("成分含量"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    auto *componentLayout = new QVBoxLayout(GroupBox3);
    componentLayout->setContentsMargins(4, 2, 4, 4);
    CateCompose_Grid = new DataGrid(GroupBox3);
    CateCompose_Grid->setObjectName(QStringLiteral("CateCompose_Grid"));
    CateCompose_Grid->setReadOnly(true);
    compact(CateCompose_Grid);
    CateCompose_Grid->setColumns({{QStringLiteral("FoodName"), QStringLiteral("原料名称"), 128},
                                  {QStringLiteral("Weight"), QStringLiteral("重量"), 48}},
                                 true);
    CateCompose_Grid->setModel(m_component);
    componentLayout->addWidget(CateCompose_Grid);
    GroupBox3->hide();

    GroupBox4 = new QGroupBox(QStringLiteral("简要说明"), this);
    GroupBox4->setObjectName(QStringLiteral("GroupBox4"));
    auto *pictureLayout = new QHBoxLayout(GroupBox4);
    pictureLayout->setContentsMargins(4, 2, 4, 4);
    Image = new QLabel(GroupBox4);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setFixedSize(120, 100);
    Image->setScaledContents(true);
    Image->setFrameShape(QFrame::StyledPanel);
    Memo1 = new QPlainTextEdit(GroupBox4);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    pictureLayout->addWidget(Image, 0, Qt::AlignTop);
    pictureLayout->addWidget(Memo1, 1);
    GroupBox4->hide();

    // Behaviour.
    connect(AllFood_rdo, &QRadioButton::toggled, this, [this](bool on) { setListMode(on); });
    connect(m_picker, &FoodPicker::clicked, this, [this](const QString &name) { showPick(name); });
    connect(m_picker, &FoodPicker::activated, this, [this](const QString &name) {
        // Enter reaches here without a click: show the item first, so that
        // the details and the add dialog speak of the same food.
        showPick(name);
        emit addRequested();
    });
    connect(CustomPantry_grid, &QAbstractItemView::clicked, this, [this] { showMenuRow(); });
    connect(CustomPantry_grid, &QAbstractItemView::doubleClicked, this, [this] {
        if (!menuName().isEmpty())
            emit addRequested();
    });
    connect(CateEdit_btn, &QPushButton::clicked, this, [this] { editMenu(); });
}

void TFoodChooser::report(const QString &error)
{
    if (!error.isEmpty())
        prompt::error(this, error);
}

void TFoodChooser::FillElements()
{
    m_picker->fillElements();
}

void TFoodChooser::FillTrees()
{
    m_picker->fillTrees();
}

// ---------------------------------------------------------------- state

bool TFoodChooser::isListMode() const
{
    return AllFood_rdo->isChecked();
}

FoodKind TFoodChooser::currentTable() const
{
    return m_picker->shownKind();
}

FoodKind TFoodChooser::listTable() const
{
    return m_picker->listKind();
}

QString TFoodChooser::pickName() const
{
    return StrGrid->currentName().trimmed();
}

QString TFoodChooser::menuName() const
{
    return CustomPantry_grid->currentValue(QStringLiteral("FOODNAME")).toString().trimmed();
}

QString TFoodChooser::menuWeight() const
{
    const QVariant w = CustomPantry_grid->currentValue(QStringLiteral("WEIGHT"));
    if (w.isNull() || w.toString().trimmed().isEmpty())
        return {};
    bool ok = false;
    const double v = w.toDouble(&ok);
    return ok ? fmtG(v) : w.toString().trimmed();
}

QString TFoodChooser::menuPantry() const
{
    return CustomPantry_grid->currentValue(QStringLiteral("PANTRY")).toString().trimmed();
}

QString TFoodChooser::chosenName() const
{
    return isListMode() ? pickName() : menuName();
}

QString TFoodChooser::menuSlot() const
{
    for (QRadioButton *r : m_menuSlots) {
        if (r->isChecked())
            return r->property("slot").toString();
    }
    return QStringLiteral("早餐");
}

// ---------------------------------------------------------------- modes

void TFoodChooser::setListMode(bool list)
{
    if (AllFood_rdo->isChecked() != list) {
        // Checking the radio runs this again through its toggled signal.
        (list ? AllFood_rdo : SomeFood_rdo)->setChecked(true);
        return;
    }
    m_listPanel->setVisible(list);
    GroupBox2->setVisible(!list);
    if (!list)
        OpenQuantifiedMenu();
}

void TFoodChooser::OpenQuantifiedMenu()
{
    QString err;
    if (!bench::openQuery(m_customPantry, pantry::slotMenuSql(), {menuSlot()}, &err))
        report(err);
}

// ---------------------------------------------------------------- lists

void TFoodChooser::foodTreeClicked()
{
    m_picker->listFoodGroup();
}

void TFoodChooser::dishTreeClicked()
{
    m_picker->listDishKind();
}

void TFoodChooser::runSearch()
{
    m_picker->search();
}

void TFoodChooser::resort()
{
    m_picker->resort();
}

// ---------------------------------------------------------------- details

void TFoodChooser::showPicture(const QString &path)
{
    m_picturePath = path;
    QPixmap pix(path);
    if (pix.isNull() && path != bench::defaultPicturePath()) {
        m_picturePath = bench::defaultPicturePath();
        pix.load(m_picturePath);
    }
    Image->setPixmap(pix);
}

void TFoodChooser::clearDetails(const QString &name)
{
    FoodCompose_GroupBox->setTitle(compositionCaption(name));
    Memo1->clear();
    m_foodSum->clear();
    m_component->clear();
    showPicture(bench::defaultPicturePath());
}

void TFoodChooser::showDetails(FoodKind table, const QString &name, const QString &id, bool found)
{
    if (!found) {
        clearDetails(name);
        return;
    }
    QString err;
    const bench::ChosenItem item = bench::chosenItem(table, name, &err);
    if (!err.isEmpty())
        return report(err);
    FoodCompose_GroupBox->setTitle(compositionCaption(name));
    Memo1->setPlainText(item.describe);
    const QVariantList componentBinds{table == FoodKind::Dish ? QVariant(id) : QVariant(name)};
    if (!bench::openQuery(m_component, bench::componentSql(table), componentBinds, &err))
        return report(err);
    if (!bench::openQuery(m_foodSum, bench::compositionRowSql(table), {name}, &err))
        return report(err);
    showPicture(bench::picturePath(table, id));
}

void TFoodChooser::showPick(const QString &text)
{
    SearchFood_edt->showPrompt();
    const QString name = text.trimmed();
    if (name.isEmpty()) {
        clearDetails(name);
        return;
    }
    QString err;
    const bench::ChosenItem item = bench::chosenItem(listTable(), name, &err);
    if (!err.isEmpty())
        return report(err);
    showDetails(listTable(), name, item.id, item.found);
}

void TFoodChooser::showMenuRow()
{
    const QString name = menuName();
    FoodCompose_GroupBox->setTitle(compositionCaption(name));
    const QString pantry = menuPantry();
    if (!pantry::kindOf(pantry))
        return;
    QString err;
    const plan::FoodRow food = bench::menuItemFood(pantry, name, &err);
    if (!err.isEmpty())
        return report(err);
    if (!food.found()) {
        // The dish or food is gone: its menu rows go too.
        const pantry::PantryResult removed = pantry::deleteByName(name);
        if (!removed.ok())
            report(removed.message);
        OpenQuantifiedMenu();
        clearDetails(name);
        return;
    }
    const FoodKind table = food.source == FoodKind::Dish ? FoodKind::Dish : FoodKind::RawFood;
    showDetails(table, food.name.trimmed(), food.code.trimmed(), true);
}

void TFoodChooser::editMenu()
{
    // The quantified menus are rows of the database: without it the editor does not open.
    if (const nqb::Result open = nqb::sql::requireOpen(); !open) {
        prompt::error(this, open.message);
        return;
    }
    if (m_openEditor) {
        m_openEditor(window());
    } else {
        TCustomPantryFood editor(window());
        editor.exec();
    }
    OpenQuantifiedMenu();
}
