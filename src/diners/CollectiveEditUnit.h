#pragma once
// The small window that changes the number of persons of one composition row
// of the group profile.
#include "diners/GroupProfile.h"

#include <QDialog>
#include <optional>

class QLineEdit;
class QPushButton;

class TCollectiveEdit : public QDialog
{
    Q_OBJECT
public:
    explicit TCollectiveEdit(const nqb::DinerGroupRow &row, QWidget *parent = nullptr);

    // Shows the row; the new number of persons when confirmed, nothing when closed otherwise.
    static std::optional<int> run(QWidget *parent, const nqb::DinerGroupRow &row);

    std::optional<int> newPersons() const { return m_result; }

public slots:
    void confirm();

private:
    QLineEdit *NewNum_edt = nullptr;
    QPushButton *Accept_btn = nullptr;
    QPushButton *Close_btn = nullptr;
    std::optional<int> m_result;
};
