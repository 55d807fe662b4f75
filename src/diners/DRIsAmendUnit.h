#pragma once
// The special-population amendments window: lists, adds, changes and deletes
// the amendments of the special diet kinds, and opens the kinds window.
#include "diners/Amendments.h"

#include <QDialog>

class DataGrid;
class NumericEdit;
class QComboBox;
class QLineEdit;
class QPushButton;
class QStandardItemModel;

class TDRIsAmend : public QDialog
{
    Q_OBJECT
public:
    explicit TDRIsAmend(QWidget *parent = nullptr);
    ~TDRIsAmend() override;

    static void run(QWidget *parent);

    void RefreshAmendments();
    void FillKindFilter();
    const QList<nqb::Amendment> &amendments() const { return m_rows; }

public slots:
    void Add();
    void DeleteCurrent();
    void EditCurrent();
    void EditKinds();

private:
    void buildUi();
    void lowerAgeChosen();
    int currentRow() const;

    QComboBox *IllKind_Cmb = nullptr;
    QComboBox *AgeFir_cmb = nullptr;
    QComboBox *AgeLast_cmb = nullptr;
    QComboBox *Sex_Cmb = nullptr;
    QComboBox *Element_Cmb = nullptr;
    NumericEdit *EAR_Edt = nullptr;
    NumericEdit *RNI_Edt = nullptr;
    NumericEdit *UL_Edt = nullptr;
    QLineEdit *ReMark_Edt = nullptr;
    DataGrid *DBGridEh1 = nullptr;
    QPushButton *BitBtn5 = nullptr;
    QPushButton *Add_Btn = nullptr;
    QPushButton *Edit_Btn = nullptr;
    QPushButton *Del_btn = nullptr;
    QPushButton *Close_Btn = nullptr;
    QStandardItemModel *m_model = nullptr;
    QList<nqb::Amendment> m_rows;
};
