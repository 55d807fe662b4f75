#include "widgets/FoodPicker.h"

#include "widgets/PickList.h"
#include "widgets/Pickers.h"
#include "widgets/Prompt.h"
#include "widgets/SearchEdit.h"

#include <QComboBox>
#include <functional>
#include <QTabWidget>
#include <QTreeWidget>

using namespace nqb;

FoodPicker::FoodPicker(QWidget *host, const Options &options)
    : QObject(host)
    , m_host(host)
    , m_options(options)
{
    build();
}

FoodPicker::FoodPicker(QWidget *host)
    : FoodPicker(host, Options{})
{
}

FoodPicker::~FoodPicker() = default;

void FoodPicker::build()
{
    const FoodTreeTabs trees = MakeFoodTreeTabs(m_host, m_options.treePageMargin);
    m_tabs = trees.tabs;
    m_dishPage = trees.catePage;
    m_dishTree = trees.cateTree;
    m_foodPage = trees.foodPage;
    m_foodTree = trees.foodTree;

    m_search = new SearchEdit(m_options.searchPrompt, m_host);
    m_search->setObjectName(QStringLiteral("SearchFood_edt"));
    m_search->setToolTip(QStringLiteral("输入食物名称或拼音简码，回车查找"));

    if (m_options.nutrientSort && !m_options.listedOrder) {
        m_element = MakeElementCombo(m_host);
        m_element->setToolTip(QStringLiteral("按所选营养素含量从高到低排列"));
        connect(m_element, &QComboBox::currentIndexChanged, this, [this](int index) {
            if (index >= 0)
                resort();
        });
    }

    m_list = new PickList(m_host);
    m_list->setObjectName(QStringLiteral("StrGrid"));

    for (QTreeWidget *t : {m_foodTree, m_dishTree}) {
        connect(t, &QTreeWidget::itemClicked, this, [this, t](QTreeWidgetItem *item) { treeClicked(t, item); });
        connect(t, &QTreeWidget::itemActivated, this, [this, t](QTreeWidgetItem *item) { treeClicked(t, item); });
    }
    connect(m_search, &SearchEdit::searchRequested, this, [this] { search(); });
    connect(m_list, &PickList::cellClicked, this, [this](int row, int column) {
        const PickList::Cell *it = m_list->item(row, column);
        emit clicked(it ? it->text().trimmed() : QString(), m_kind);
    });
    if (m_options.followCurrentCell) {
        connect(m_list, &PickList::currentCellChanged, this, [this](int row, int column) {
            if (m_filling || row < 0 || column < 0)
                return;
            const PickList::Cell *it = m_list->item(row, column);
            emit clicked(it ? it->text().trimmed() : QString(), m_kind);
        });
    }
    connect(m_list, &PickList::picked, this, [this](const QString &name) { emit activated(name.trimmed(), m_kind); });
}

void FoodPicker::report(const QString &error)
{
    if (error.isEmpty())
        return;
    prompt::error(m_host, error);
    emit refused(error);
}

bool FoodPicker::fillTrees()
{
    QString err;
    if (!FillFoodTree(m_foodTree, &err)) {
        report(err);
        return false;
    }
    if (!FillDishTree(m_dishTree, &err)) {
        report(err);
        return false;
    }
    return true;
}

bool FoodPicker::fillElements()
{
    if (!m_element)
        return true;
    QString err;
    if (!FillElementCombo(m_element, &err)) {
        report(err);
        return false;
    }
    return true;
}

FoodKind FoodPicker::shownKind() const
{
    return m_tabs->currentWidget() == m_dishPage ? FoodKind::Dish : FoodKind::RawFood;
}

QString FoodPicker::currentName() const
{
    return m_list->currentName().trimmed();
}

void FoodPicker::treeClicked(QTreeWidget *tree, QTreeWidgetItem *item)
{
    if (!item)
        return;
    tree->setCurrentItem(item);
    if (item->childCount() > 0)
        item->setExpanded(true);
    if (tree == m_foodTree)
        listFoodGroup();
    else
        listDishKind();
}

void FoodPicker::listFoodGroup()
{
    m_search->showPrompt();
    const QString prefix = TreeCodePrefix(m_foodTree);
    if (prefix.isEmpty())
        return; // no node selected
    listFrom(
        FoodKind::RawFood, [&](QString *err) { return FoodGroupCodes(prefix, err); },
        [&](const QString &column, PickFallbackOrder fallback, QString *err) {
            return GroupListing(prefix, column, fallback, err);
        });
}

void FoodPicker::listFrom(FoodKind kind, const std::function<QStringList(QString *)> &ids,
                          const std::function<PickListing(const QString &, PickFallbackOrder, QString *)> &listing)
{
    // In the listed order the names follow the identifiers; otherwise they are
    // read with the identifiers in one go.
    QString column;
    PickFallbackOrder fallback = PickFallbackOrder::Identifier;
    QString err;
    if (!order(&column, &fallback, &err))
        return report(err);
    if (fallback == PickFallbackOrder::Listed) {
        const QStringList listed = ids(&err);
        if (!err.isEmpty())
            return report(err);
        m_kind = kind;
        m_ids = listed;
        return show(fallback);
    }
    PickListing found = listing(column, fallback, &err);
    if (!err.isEmpty())
        return report(err);
    m_kind = kind;
    m_ids = std::move(found.ids);
    showNames(found.names);
}

void FoodPicker::listDishKind()
{
    m_search->showPrompt();
    const QTreeWidgetItem *node = m_dishTree->currentItem();
    if (!node)
        return;
    // The category's identifier up to its hyphen, so that category 10 never
    // lists the dishes of 100 … 109.
    const QString kindId = DishKindOf(node->text(0));
    if (kindId.isEmpty())
        return;
    QString err;
    const QStringList ids = DishKindIds(kindId, &err);
    if (!err.isEmpty())
        return report(err);
    m_kind = FoodKind::Dish;
    m_ids = ids;
    show(PickFallbackOrder::Identifier);
}

void FoodPicker::search()
{
    const FoodKind kind = shownKind();
    const QString text = m_search->searchText().trimmed();
    listFrom(
        kind, [&](QString *err) { return SearchIds(kind, text, err); },
        [&](const QString &column, PickFallbackOrder fallback, QString *err) {
            return SearchListing(kind, text, column, fallback, err);
        });
}

void FoodPicker::resort()
{
    // The names listed last, from the table they were listed from (even if
    // the other tree page is showing now); a dish list without a nutrient
    // goes by name.
    show(m_kind == FoodKind::Dish ? PickFallbackOrder::Name : PickFallbackOrder::Identifier);
}

void FoodPicker::list(FoodKind kind, const QStringList &ids)
{
    m_kind = kind;
    m_ids = ids;
    show(PickFallbackOrder::Identifier);
}

bool FoodPicker::order(QString *column, PickFallbackOrder *fallback, QString *error) const
{
    if (m_options.listedOrder)
        *fallback = PickFallbackOrder::Listed;
    *column = m_element ? ElementColumn(m_element, error) : QStringLiteral("none");
    return error->isEmpty();
}

void FoodPicker::show(PickFallbackOrder fallback)
{
    QString column;
    QString err;
    const QStringList names = order(&column, &fallback, &err) ? PickListNames(m_kind, m_ids, column, fallback, &err)
                                                              : QStringList();
    if (!err.isEmpty())
        return report(err);
    showNames(names);
}

void FoodPicker::showNames(const QStringList &names)
{
    m_filling = true;
    m_list->setNames(names);
    if (m_list->rowCount() == 0)
        m_list->setRowCount(1);
    m_filling = false;
    emit listed(m_kind);
}
