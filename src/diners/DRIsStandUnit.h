#pragma once
// The DRIs standards window: the reference intakes of one sex, activity level
// and kind (or of the physiological states), corrected in place. A corrected
// row is checked and stored when the user leaves it.
#include "diners/DRIsStandards.h"

#include <QDialog>

class DataGrid;
class QButtonGroup;
class QPushButton;
class QRadioButton;
class QStandardItemModel;

class TDRIsStand : public QDialog
{
    Q_OBJECT
public:
    explicit TDRIsStand(QWidget *parent = nullptr);
    ~TDRIsStand() override;

    static void run(QWidget *parent);

    // Lists the rows of the current filter (a pending correction is stored first).
    void RefreshStandards();
    const nqb::StandardFilter &filter() const { return m_filter; }
    const QList<nqb::StandardRow> &rows() const { return m_rows; }
    // The row as the grid shows it (with corrections not yet stored).
    nqb::StandardRow shownRow(int row) const;

public slots:
    // Stores the corrected row, if any, after its check. False when it was refused.
    bool commitPendingRow();
    void RestoreDefaults();

protected:
    void done(int result) override;

private:
    void buildUi();
    void maleClicked();
    void femaleClicked();
    void statesYesClicked();
    void statesNoClicked();
    void currentRowChanged(int current, int previous);
    void setStateRadios(bool enabled, bool checkNo);

    QRadioButton *SexMale_rdo = nullptr;
    QRadioButton *SexFemale_rdo = nullptr;
    QRadioButton *IsPreYes_rdo = nullptr;
    QRadioButton *IsPerNo_rdo = nullptr;
    QRadioButton *ActLight_rdo = nullptr;
    QRadioButton *ActMid_rdo = nullptr;
    QRadioButton *ActHeavy_rdo = nullptr;
    QRadioButton *RNI_rdo = nullptr;
    QRadioButton *EAR_rdo = nullptr;
    QRadioButton *UL_rdo = nullptr;
    QButtonGroup *m_stateGroup = nullptr;
    DataGrid *DBGridEh1 = nullptr;
    QPushButton *Restore_btn = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QStandardItemModel *m_model = nullptr;

    nqb::StandardFilter m_filter;
    QList<nqb::StandardRow> m_rows;
    int m_dirtyRow = -1;
    bool m_filling = false;
    bool m_returning = false;
};
