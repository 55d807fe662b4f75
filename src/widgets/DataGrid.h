#pragma once
// DataGrid: the program's table of query rows.
//
// A QTableView over any item model (normally a QSqlQueryModel that the window
// fills with a bound query), shown through a sorting proxy, with
//  - a footer row under the data: per column nothing, the row count, the sum
//    (held to four decimals: summed, then rounded half-to-even), the average
//    (also rounded to four decimals) or a fixed text; each footer may have its
//    own colour, weight and alignment. Footers follow every change of the model.
//  - column titles on two lines, written "upper|lower"; neighbouring columns
//    with the same upper line share one upper cell;
//  - an optional frozen first column (the first visible column stays at the
//    left while the grid scrolls sideways);
//  - optional title-click sorting: none -> descending -> ascending -> none
//    (or alternating descending/ascending); numbers sort as numbers, empty
//    cells as the smallest value or after every value (setBlanksLast);
//  - column visibility and titles kept by field name, so they survive a
//    re-run of the query;
//  - export of all rows (not only those on screen), the titles and the footer
//    of the visible columns to xlsx, tab-separated text, CSV, HTML and RTF.
//
// Columns are addressed by field name (case-insensitive) or by model column
// index; view columns and model columns have the same numbers (the proxy only
// sorts rows). Rows given to value() are rows as shown (after sorting).
//
// All rows of the model are fetched when it is set or reset, so that footers
// and exports cover the whole result set.
//
// Use setTitleSorting() rather than QTableView::setSortingEnabled(), and
// setColumnVisible() rather than setColumnHidden() (the grid re-applies its
// own settings after every model reset). Numbers in editable cells are edited
// in a field that takes digits, "-" and "." and are written back as numbers.
#include "widgets/GridExport.h"

#include <QColor>
#include <QHash>
#include <QTableView>

class QSortFilterProxyModel;

class DataGrid : public QTableView
{
    Q_OBJECT
public:
    enum class FooterKind { None, Count, Sum, Average, Text };
    enum class SortState { None, Down, Up };   // Down = descending
    enum class SortCycle {
        DownUpNone, // none -> down -> up -> none
        DownUp      // none -> down -> up -> down -> ...
    };

    // One column's settings for setColumns().
    struct Column {
        QString field;
        QString title;                        // empty keeps the field name / earlier title
        int width = -1;                       // pixels; -1 = automatic
        FooterKind footer = FooterKind::None;
        QString footerText;                   // for FooterKind::Text
        bool visible = true;
    };

    explicit DataGrid(QWidget *parent = nullptr);
    ~DataGrid() override;

    // ---- model ----
    // Shows model (not owned) through the grid's sorting proxy. model() then
    // returns the proxy; sourceModel() returns the model given here.
    void setModel(QAbstractItemModel *model) override;
    QAbstractItemModel *sourceModel() const;
    QSortFilterProxyModel *proxyModel() const;

    // Read-only grid selecting whole rows (the usual browsing grid).
    void setReadOnly(bool readOnly);

    // ---- columns ----
    int columnCount() const;
    int column(const QString &field) const;   // -1 when the model has no such field
    // True when the model has the field or the grid holds settings for it
    // (set before a model with the field was shown; they apply when it is).
    bool hasColumnSettings(const QString &field) const;
    QString fieldName(int column) const;
    QStringList fieldNames() const;

    // Applies settings to the listed fields. With onlyListed, the listed
    // fields are shown in the listed order and every other column is hidden.
    void setColumns(const QList<Column> &columns, bool onlyListed = false);

    void setTitle(const QString &field, const QString &title);
    void setTitle(int column, const QString &title);
    QString title(int column) const;          // "upper|lower" as set (field name by default)

    using QTableView::setColumnWidth;
    void setColumnWidth(const QString &field, int width);

    void setColumnVisible(const QString &field, bool visible);
    void setColumnVisible(int column, bool visible);
    bool isColumnVisible(const QString &field) const;
    bool isColumnVisible(int column) const;
    QStringList visibleColumns() const;       // field names in display order

    // Cell look of a whole column (text colour, bold, alignment).
    void setColumnForeground(const QString &field, const QColor &color);
    void setColumnBold(const QString &field, bool bold);
    void setColumnAlignment(const QString &field, Qt::Alignment alignment);

    // ---- frozen column ----
    void setFrozenColumn(bool frozen);
    bool hasFrozenColumn() const { return m_frozenOn; }
    int frozenColumn() const;                 // the column kept at the left, or -1
    QTableView *frozenView() const { return m_frozen; }

    // ---- footer ----
    // The footer row is shown once any footer is set, or explicitly.
    void setFooterVisible(bool visible);
    bool isFooterVisible() const { return m_footerVisible; }
    void setFooter(const QString &field, FooterKind kind, const QString &text = {});
    void setFooter(int column, FooterKind kind, const QString &text = {});
    void setFooterText(const QString &field, const QString &text);   // kind Text
    void setFooterText(int column, const QString &text);
    void setFooterColor(const QString &field, const QColor &color);  // invalid = default
    void setFooterColor(int column, const QColor &color);
    void setFooterBold(const QString &field, bool bold);
    void setFooterBold(int column, bool bold);
    void setFooterAlignment(const QString &field, Qt::Alignment alignment);
    void clearFooters();

    FooterKind footerKind(int column) const;
    // The footer as shown: count as a whole number, sum and average in general
    // format after rounding to four decimals, the fixed text, or empty.
    QString footerText(int column) const;
    QString footerText(const QString &field) const;
    // The footer's number (count, rounded sum or average); 0 for other kinds.
    double footerValue(int column) const;
    double footerValue(const QString &field) const;
    QColor footerColor(int column) const;
    bool footerBold(int column) const;

    // ---- sorting ----
    void setTitleSorting(bool enabled);       // off by default
    bool titleSorting() const { return m_titleSorting; }
    void setSortCycle(SortCycle cycle) { m_sortCycle = cycle; }
    // Empty cells after every value in both directions (by default they
    // count as the smallest value: first ascending, last descending).
    void setBlanksLast(bool on);
    bool blanksLast() const { return m_blanksLast; }
    // The model orders its rows itself: a sort calls its sort() with the
    // column and order (-1 for none) instead of sorting in the grid, for a
    // model that reads its rows as they are shown. It keeps the sort across
    // its own reloads, and places empty cells as it documents.
    void setModelSorts(bool on) { m_modelSorts = on; }
    // What a click on the title of column does (also when sorting by clicks is off).
    void clickTitle(int column);
    void sortColumn(int column, SortState state);
    void clearSort();
    SortState sortState(int column) const;
    int sortedColumn() const;                 // -1 when unsorted

    // ---- rows ----
    int rowCount() const;
    int sourceRow(int row) const;             // model row of a shown row
    int currentSourceRow() const;             // -1 without a current row
    QVariant value(int row, const QString &field) const;
    QVariant value(int row, int column) const;
    QVariant currentValue(const QString &field) const;

    // ---- export ----
    // All rows in the shown order, the visible columns in display order, their
    // titles and (when shown) the footer.
    gridexport::Table exportTable() const;
    // Writes the export; returns an empty string on success, otherwise the
    // reason (the file is then left as it was).
    QString exportTo(const QString &path, gridexport::Format format) const;
    // Chooses the format by the file's extension (.xlsx/.xls, .txt, .csv,
    // .htm/.html, .rtf); an unknown extension is reported as an error.
    QString exportTo(const QString &path) const;
    void setExportName(const QString &name) { m_exportName = name; }

signals:
    void footersChanged();
    // A title was clicked (model column), after the sort was applied.
    void titleClicked(int column);

protected:
    // Keeps the footer above the scroll bar strip it covers.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void updateGeometries() override;
    void resizeEvent(QResizeEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

private:
    friend class DataGridProxy;
    friend class DataGridFooter;
    struct ColumnConfig {
        QString title;
        bool hasTitle = false;
        int width = -1;
        bool hidden = false;
        FooterKind footer = FooterKind::None;
        QString footerText;
        QColor footerColor;
        bool footerBold = false;
        Qt::Alignment footerAlignment;        // 0 = by kind
        QColor foreground;
        bool bold = false;
        Qt::Alignment alignment;              // 0 = default
    };
    struct FooterCache {
        QString text;
        double value = 0.0;
    };

    static QString key(const QString &field) { return field.toUpper(); }
    ColumnConfig &config(const QString &field);
    const ColumnConfig *configOf(int column) const;
    void sourceReset();
    void applyColumns();
    void setupFrozen();
    void updateFrozenColumns();
    void updateFrozenGeometry();
    void invalidateFooters();
    void computeFooters() const;
    void onTitleClicked(int logical);
    void refreshSortIndicator();
    int footerHeight() const;
    void relayoutFooter();

    class DataGridProxy *m_proxy;
    class DataGridFooter *m_footer;
    class FooterScrollBar *m_hbar;
    QTableView *m_frozen = nullptr;
    QAbstractItemModel *m_source = nullptr;
    QHash<QString, ColumnConfig> m_config;
    QStringList m_order;                      // display order from setColumns(onlyListed)
    bool m_onlyListed = false;
    bool m_frozenOn = false;
    bool m_footerVisible = false;
    bool m_titleSorting = false;
    bool m_applying = false;
    SortCycle m_sortCycle = SortCycle::DownUpNone;
    bool m_blanksLast = false;
    bool m_modelSorts = false;
    QString m_sortField;
    SortState m_sortState = SortState::None;
    QString m_exportName;
    mutable bool m_footersDirty = true;
    mutable QList<FooterCache> m_footerCache;
    QList<QMetaObject::Connection> m_sourceConnections;
    // The source's field names and their columns (by key), read once per
    // change of its columns: a lookup by name runs for every column of
    // every refresh.
    void ensureFields() const;
    mutable bool m_fieldsKnown = false;
    mutable QStringList m_fields;
    mutable QHash<QString, int> m_fieldColumns;
};
