#pragma once
// The window that changes the values and the note of one amendment.
#include "diners/Amendments.h"

#include <QDialog>

class NumericEdit;
class QLineEdit;
class QPushButton;

class TDRIsAmendEdit : public QDialog
{
    Q_OBJECT
public:
    explicit TDRIsAmendEdit(const nqb::Amendment &amendment, QWidget *parent = nullptr);

    // Shows the amendment; true when its new values were stored.
    static bool run(QWidget *parent, const nqb::Amendment &amendment);

public slots:
    // Checks and stores the new values; closes when they were stored.
    void confirm();

private:
    nqb::Amendment m_amendment;
    NumericEdit *NewRNI_edt = nullptr;
    NumericEdit *NewEAR_edt = nullptr;
    NumericEdit *NewUL_edt = nullptr;
    QLineEdit *ReMark_edt = nullptr;
    QPushButton *Accept_btn = nullptr;
    QPushButton *Close_btn = nullptr;
};
