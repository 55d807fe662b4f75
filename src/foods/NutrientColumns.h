#pragma once
// Nutrient column selectors without widgets: which check box stands for which
// grid columns, which boxes follow a group box, and the state of a selection.
//
// A selector is a list of boxes in column order. Each box switches a list of
// columns (usually one; none for a pure group box) and is pre-set from the
// visibility of one column. A group box takes its followers with it whenever it
// changes; an optional "all" box takes every box with it. The dialogs only show
// a ColumnChoice on check boxes and hand its column states to their grids.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

namespace nqb::selector {

struct ColumnBox {
    QString box;          // objectName of the check box ("ENERC_kcal_chk")
    QString caption;      // its caption ("能量")
    QStringList columns;  // the columns it sets on apply (empty: a pure group box)
    QString presetColumn; // the column whose visibility pre-sets it
    bool shown = true;    // false: a hidden box that only follows its group box
    QStringList followers; // boxes that take this box's state when it changes
};

// A complete selector: its boxes in column order and the optional "all" box.
struct SelectorLayout {
    QList<ColumnBox> boxes;
    QString allBox;       // objectName of the "all" box; empty for none
    QString allCaption;
};

// The general nutrient selector: 37 boxes for EDIBLE and the 36 columns of the
// composition block, in that order. Six boxes are hidden and follow a shown
// one: the kJ energy column follows "能量", the soluble and insoluble fibre
// follow "膳食纤维", the three tocopherols follow "维生素 E". The "all" box is
// ALL_chk ("ALL").
const SelectorLayout &generalNutrientLayout();

// The amino-acid selector of the browser: 21 boxes in grid order. BCAA_chk is a
// pure group box (pre-set from BCAA_ILE) with ILE, LEU and VAL as followers;
// AAS_chk and AAA_chk switch their total column and take MET/CYS and PHE/TYR
// with them. The "all" box is All_chk ("All"). The filler column TMP belongs
// to no box.
const SelectorLayout &aminoAcidLayout();

// The fatty-acid selector of the browser: five boxes, each switching a whole
// run of columns (the 5 FattyAcid_, 16 SFA_FA_, 9 MUFA_FA_, 13 PUFA_FA_
// columns and UnKnow), pre-set from the run's first column. No "all" box.
const SelectorLayout &fattyAcidLayout();

// Index of the box named box (objectName, exact), or -1.
int indexOfBox(const QList<ColumnBox> &boxes, const QString &box);

// Every column whose visibility follows box: its own columns and those of its
// followers (and of theirs), in box order, without repeats.
QStringList columnsSwitchedBy(const QList<ColumnBox> &boxes, const QString &box);

// The check state of a selector's boxes and the group rules between them.
class ColumnChoice
{
public:
    explicit ColumnChoice(SelectorLayout layout);

    const SelectorLayout &layout() const { return m_layout; }
    const QList<ColumnBox> &boxes() const { return m_layout.boxes; }
    int count() const { return int(m_layout.boxes.size()); }
    int indexOf(const QString &box) const { return indexOfBox(m_layout.boxes, box); }

    bool isChecked(int index) const;
    bool isChecked(const QString &box) const;
    bool allChecked() const { return m_all; }

    // Sets one box; a group box sets its followers (and theirs) the same way.
    void setChecked(int index, bool on);
    void setChecked(const QString &box, bool on);
    // The "all" box: every box takes its state.
    void setAll(bool on);

    // Pre-sets the boxes from the grid, walking them in column order: each box
    // takes the visibility of its preset column (a group box passes it on to its
    // followers, which then take their own column's visibility in turn). A
    // column that visible() does not know (std::nullopt) leaves its box as it is.
    // The "all" box is not touched.
    void preset(const std::function<std::optional<bool>(const QString &column)> &visible);

    // What applying the choice does: each box's columns with the box's state, in
    // box order (a column of several boxes takes the state of the last one).
    QList<std::pair<QString, bool>> columnStates() const;

private:
    void setRecursive(int index, bool on, QList<bool> &seen);

    SelectorLayout m_layout;
    QList<bool> m_checked;
    bool m_all = true;
};

} // namespace nqb::selector
