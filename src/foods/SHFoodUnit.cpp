#include "foods/SHFoodUnit.h"

#include "data/Db.h"
#include "foods/SHFoodSelNutriUnit.h"
#include "foods/SelAminoUnit.h"
#include "foods/SelFattyUnit.h"
#include "widgets/DataGrid.h"
#include "widgets/Pickers.h"
#include "widgets/Prompt.h"
#include "widgets/SearchEdit.h"

#include <QAction>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

using nqb::browser::Filter;
using nqb::browser::Page;

namespace {
const QString kSearchPrompt = QStringLiteral("拼音简码/汉字");
const QString kMenuTip = QStringLiteral("单击右键选择元素种类");
} // namespace

TSHFood::TSHFood(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TSHFood"));
    setWindowTitle(QStringLiteral("营养素查询"));
    buildUi();

    QString error;
    if (!nqb::FillFoodTree(Food_tre, &error))
        prompt::error(this, error);
    showPage();
}

TSHFood::~TSHFood() = default;

void TSHFood::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && m_shownBefore)
        showPage();
    m_shownBefore = true;
}

QWidget *TSHFood::create(QWidget *panel)
{
    return new TSHFood(panel);
}

void TSHFood::buildUi()
{
    auto *root = new QHBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);
    root->setSpacing(6);

    // Left: the food groups and the search.
    auto *left = new QVBoxLayout;
    left->setSpacing(6);
    GroupBox1 = new QGroupBox(QStringLiteral("食物种类选择"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto *treeLayout = new QVBoxLayout(GroupBox1);
    treeLayout->setContentsMargins(4, 4, 4, 4);
    Food_tre = new QTreeWidget(GroupBox1);
    Food_tre->setObjectName(QStringLiteral("Food_tre"));
    Food_tre->setHeaderHidden(true);
    Food_tre->setIndentation(14);
    Food_tre->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treeLayout->addWidget(Food_tre);
    left->addWidget(GroupBox1, 1);

    GroupBox2 = new QGroupBox(QStringLiteral("查询"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto *searchLayout = new QVBoxLayout(GroupBox2);
    searchLayout->setContentsMargins(4, 4, 4, 4);
    SearchName_edt = new SearchEdit(kSearchPrompt, GroupBox2);
    SearchName_edt->setObjectName(QStringLiteral("SearchName_edt"));
    SearchName_edt->setClearOnClick(true);
    Search_btn = new QPushButton(QStringLiteral(" 查   询 "), GroupBox2);
    Search_btn->setObjectName(QStringLiteral("Search_btn"));
    searchLayout->addWidget(SearchName_edt);
    searchLayout->addWidget(Search_btn);
    left->addWidget(GroupBox2);

    auto *leftPanel = new QWidget(this);
    leftPanel->setLayout(left);
    left->setContentsMargins(0, 0, 0, 0);
    leftPanel->setFixedWidth(190);
    root->addWidget(leftPanel);

    // Right: the note and the six pages.
    auto *right = new QVBoxLayout;
    right->setSpacing(2);
    Note_lab = new QLabel(QStringLiteral("注：以每100g可食部计"), this);
    Note_lab->setObjectName(QStringLiteral("Note_lab"));
    right->addWidget(Note_lab);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    for (const nqb::browser::PageDef &def : nqb::browser::pages()) {
        auto *sheet = new QWidget(PageControl1);
        sheet->setObjectName(def.sheet);
        auto *sheetLayout = new QVBoxLayout(sheet);
        sheetLayout->setContentsMargins(0, 0, 0, 0);
        auto *grid = new DataGrid(sheet);
        grid->setObjectName(def.grid);
        grid->setReadOnly(true);
        QList<DataGrid::Column> cols;
        const QFontMetrics titleFont = grid->horizontalHeader()->fontMetrics();
        for (const nqb::browser::PageColumn &c : def.columns) {
            // Wide enough for its title line (the lower one of a two-level title).
            const QString line = c.title.section(QLatin1Char('|'), -1);
            const int width = c.width > 1 ? std::max(c.width, titleFont.horizontalAdvance(line) + 14) : c.width;
            cols.append({c.field, c.title, width});
        }
        grid->setColumns(cols, true);
        grid->setFrozenColumn(true);
        grid->setTitleSorting(true);
        grid->setSortCycle(DataGrid::SortCycle::DownUp);
        grid->setBlanksLast(true);
        // The page's rows are read as they are shown and sorted in SQL.
        grid->setModelSorts(true);
        grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
        auto *query = new nqb::browser::CompositionRows(this);
        query->setObjectName(QStringLiteral("AQSHFood"));
        grid->setModel(query);
        sheetLayout->addWidget(grid);
        PageControl1->addTab(sheet, def.caption);
        m_grids << grid;
        m_queries << query;
    }
    right->addWidget(PageControl1, 1);
    root->addLayout(right, 1);

    // Context menus of the first three grids.
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Select1 = PopupMenu1->addAction(QStringLiteral("一般成分选择(&Select)"));
    Select1->setObjectName(QStringLiteral("Select1"));
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    N1 = PopupMenu2->addAction(QStringLiteral("氨基酸选择(&Select)"));
    N1->setObjectName(QStringLiteral("N1"));
    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    Select2 = PopupMenu3->addAction(QStringLiteral("脂肪酸选择(&Select)"));
    Select2->setObjectName(QStringLiteral("Select2"));
    addContextMenu(grid(Page::Nutrient), PopupMenu1);
    addContextMenu(grid(Page::Amino), PopupMenu2);
    addContextMenu(grid(Page::Fatty), PopupMenu3);
    grid(Page::Nutrient)->setToolTip(kMenuTip);
    grid(Page::Amino)->setToolTip(kMenuTip);

    // Tab order: tree, search box, button, pages.
    setTabOrder(Food_tre, SearchName_edt);
    setTabOrder(SearchName_edt, Search_btn);
    setTabOrder(Search_btn, PageControl1);

    connect(Food_tre, &QTreeWidget::itemClicked, this, [this] { Food_treClick(); });
    connect(Food_tre, &QTreeWidget::itemActivated, this, [this] { Food_treClick(); });
    connect(SearchName_edt, &SearchEdit::searchRequested, this, [this] { Search_btnClick(); });
    connect(Search_btn, &QPushButton::clicked, this, &TSHFood::Search_btnClick);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { pageChanged(); });
    connect(Select1, &QAction::triggered, this, &TSHFood::Select1Click);
    connect(N1, &QAction::triggered, this, &TSHFood::N1Click);
    connect(Select2, &QAction::triggered, this, &TSHFood::Select2Click);
}

void TSHFood::addContextMenu(DataGrid *g, QMenu *menu)
{
    // The frozen name column lies over the grid; a right click there counts too.
    QList<QAbstractItemView *> views{g};
    if (g->frozenView())
        views << g->frozenView();
    for (QAbstractItemView *v : views) {
        v->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(v, &QWidget::customContextMenuRequested, this,
                [menu, v](const QPoint &pos) { menu->popup(v->viewport()->mapToGlobal(pos)); });
    }
}

Page TSHFood::currentPage() const
{
    const int i = PageControl1->currentIndex();
    return i >= 0 && i < nqb::browser::kPageCount ? Page(i) : Page::Nutrient;
}

DataGrid *TSHFood::grid(Page page) const
{
    return m_grids.value(int(page));
}

void TSHFood::showPage()
{
    const Page page = currentPage();
    const nqb::Result r = m_queries.at(int(page))->load(nqb::browser::pageStatement(page, m_filter));
    if (!r)
        prompt::error(this, r.message);
}

void TSHFood::setFilter(const Filter &filter)
{
    m_filter = filter;
    showPage();
}

void TSHFood::pageChanged()
{
    // The last filter holds on the page now shown.
    showPage();
}

void TSHFood::Food_treClick()
{
    SearchName_edt->showPrompt();
    const QString prefix = nqb::TreeCodePrefix(Food_tre);
    if (prefix.isEmpty())
        return;
    setFilter(nqb::browser::prefixFilter(prefix));
}

void TSHFood::Search_btnClick()
{
    Filter f;
    if (!nqb::browser::searchFilter(SearchName_edt->searchText(), &f))
        return;
    setFilter(f);
}

void TSHFood::Select1Click()
{
    TSHFoodSelNutri dlg(grid(Page::Nutrient), this);
    dlg.exec();
}

void TSHFood::N1Click()
{
    TSelAmino dlg(grid(Page::Amino), this);
    dlg.exec();
}

void TSHFood::Select2Click()
{
    TSelFatty dlg(grid(Page::Fatty), this);
    dlg.exec();
}
