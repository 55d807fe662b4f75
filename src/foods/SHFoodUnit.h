#pragma once
// TSHFood ("营养素查询"): the food composition browser. A borderless form that
// the main window embeds in its content panel on first use and keeps until the
// program ends.
//
// Six pages (main nutrients, amino acids, fatty acids, other contents,
// isoflavones, glycemic index) show the rows of their composition table,
// narrowed by one filter that holds across the pages: a food-group code prefix
// from the tree, or a search by name or pinyin initials. Column titles sort
// (first click largest first, then alternating; empty cells last). The first
// three pages have column selectors in their context menus. The browser only
// reads.
#include "foods/Browser.h"
#include "foods/CompositionRows.h"

#include <QList>
#include <QWidget>

class DataGrid;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class SearchEdit;

class TSHFood : public QWidget
{
    Q_OBJECT
public:
    explicit TSHFood(QWidget *parent = nullptr);
    ~TSHFood() override;

    // The factory the main window creates its one browser with.
    static QWidget *create(QWidget *panel);

    nqb::browser::Page currentPage() const;
    const nqb::browser::Filter &filter() const { return m_filter; }
    DataGrid *grid(nqb::browser::Page page) const;

    // Narrows every page to filter and lists the page on show.
    void setFilter(const nqb::browser::Filter &filter);

public slots:
    // The selected node of Food_tre: its foods on every page.
    void Food_treClick();
    // The search text of SearchName_edt; an empty text changes nothing.
    void Search_btnClick();
    // The column selectors of the first three pages.
    void Select1Click();
    void N1Click();
    void Select2Click();

protected:
    // Shown again (by a page switch of the main window): the rows as they
    // are now, under the same filter and sort.
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    void pageChanged();
    // Lists the visible page's table under the current filter.
    void showPage();
    void addContextMenu(DataGrid *grid, QMenu *menu);

    nqb::browser::Filter m_filter = nqb::browser::openingFilter();
    bool m_shownBefore = false;
    // One query per page, so each grid keeps its sort while another page shows.
    QList<nqb::browser::CompositionRows *> m_queries;

    QGroupBox *GroupBox1 = nullptr;
    QTreeWidget *Food_tre = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    SearchEdit *SearchName_edt = nullptr;
    QPushButton *Search_btn = nullptr;
    QLabel *Note_lab = nullptr;
    QTabWidget *PageControl1 = nullptr;
    QList<DataGrid *> m_grids;
    QMenu *PopupMenu1 = nullptr;
    QMenu *PopupMenu2 = nullptr;
    QMenu *PopupMenu3 = nullptr;
    QAction *Select1 = nullptr;
    QAction *N1 = nullptr;
    QAction *Select2 = nullptr;
};
