#pragma once
// FoodPicker: the food and dish picking of the windows that choose foods —
// the dish-category and food-group trees, the search box (name or pinyin
// initials), the optional nutrient sort and the two-column pick list.
//
// It creates its controls on the host window (with the objectNames the
// windows share: PageControl1, TabSheetCate / Cate_tre, TabSheetFood /
// Food_tre, SearchFood_edt, Element_cmb, StrGrid) and leaves their layout to
// the host. It keeps its own list of the identifiers listed last and the
// table they came from, so a re-sort or a pick never depends on what another
// window listed meanwhile.
#include "data/FoodKind.h"
#include "data/FunctionUnit.h"

#include <QObject>
#include <functional>
#include <QString>
#include <QStringList>

class PickList;
class QComboBox;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class SearchEdit;

class FoodPicker : public QObject
{
    Q_OBJECT
public:
    struct Options {
        bool nutrientSort = true;     // with the nutrient choice Element_cmb
        int treePageMargin = -1;      // margins of the tree pages (< 0: the style's)
        QString searchPrompt = QStringLiteral("首字母/汉字");
        // Names in the order they were listed instead of by identifier (and no
        // sort choice), as the survey entry lists them.
        bool listedOrder = false;
        // A move of the pick list's current cell counts as a click.
        bool followCurrentCell = false;
    };

    explicit FoodPicker(QWidget *host, const Options &options);
    explicit FoodPicker(QWidget *host);
    ~FoodPicker() override;

    // ---- controls (children of the host) ----
    QTabWidget *tabs() const { return m_tabs; }
    QWidget *dishPage() const { return m_dishPage; }
    QWidget *foodPage() const { return m_foodPage; }
    QTreeWidget *dishTree() const { return m_dishTree; }
    QTreeWidget *foodTree() const { return m_foodTree; }
    SearchEdit *searchBox() const { return m_search; }
    QComboBox *elementCombo() const { return m_element; } // nullptr without the sort
    PickList *pickList() const { return m_list; }

    // Fills both trees / the nutrient choice. Failures are shown on the host.
    bool fillTrees();
    bool fillElements();

    // The tree page shown now.
    nqb::FoodKind shownKind() const;
    // The table the listed names come from (the page of the last tree click
    // or search): pick-list names are looked up there.
    nqb::FoodKind listKind() const { return m_kind; }
    QStringList listedIds() const { return m_ids; }
    // The pick list's current cell, trimmed.
    QString currentName() const;

    // ---- listings (what the controls do) ----
    // The selected node of the food tree / dish tree.
    void listFoodGroup();
    void listDishKind();
    // The search text in the shown page's table.
    void search();
    // The names listed last, re-sorted by the chosen nutrient.
    void resort();
    // Lists given identifiers of a table (for windows that list by other means).
    void list(nqb::FoodKind kind, const QStringList &ids);

signals:
    // A pick-list cell was clicked (name trimmed; "" for an empty cell).
    void clicked(const QString &name, nqb::FoodKind kind);
    // A name was double-clicked or Enter was pressed on it.
    void activated(const QString &name, nqb::FoodKind kind);
    // A listing could not be made (the message was shown on the host).
    void refused(const QString &text);
    // The pick list was refilled.
    void listed(nqb::FoodKind kind);

private:
    void build();
    // The sort column ("none" without a nutrient) and the fallback order the
    // options ask for; false with the error when the nutrient is unknown.
    bool order(QString *column, nqb::PickFallbackOrder *fallback, QString *error) const;
    void show(nqb::PickFallbackOrder fallback);
    void showNames(const QStringList &names);
    // Lists what ids gives, or in one read what listing gives, as the order
    // asks.
    void listFrom(nqb::FoodKind kind, const std::function<QStringList(QString *)> &ids,
                  const std::function<nqb::PickListing(const QString &, nqb::PickFallbackOrder, QString *)> &listing);
    void report(const QString &error);
    void treeClicked(QTreeWidget *tree, QTreeWidgetItem *item);

    QWidget *m_host;
    Options m_options;
    QTabWidget *m_tabs = nullptr;
    QWidget *m_dishPage = nullptr;
    QWidget *m_foodPage = nullptr;
    QTreeWidget *m_dishTree = nullptr;
    QTreeWidget *m_foodTree = nullptr;
    SearchEdit *m_search = nullptr;
    QComboBox *m_element = nullptr;
    PickList *m_list = nullptr;

    nqb::FoodKind m_kind = nqb::FoodKind::RawFood;
    QStringList m_ids;
    bool m_filling = false;
};
