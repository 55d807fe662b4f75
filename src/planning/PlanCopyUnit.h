#pragma once
// The copy dialog of the workbench ("复制配餐"): which entries of the shown
// weekday (the whole day or one meal slot) go to which other weekdays, and
// whether they are added to the entries there or replace them.
#include "planning/PlanHistory.h"

#include <QDialog>
#include <QList>
#include <optional>

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

class TPlanCopy : public QDialog
{
    Q_OBJECT
public:
    struct Request {
        QString sourceDay = QStringLiteral("SUN"); // the workbench's checked weekday
        int mealPattern = 1;                       // which slots are offered
        std::optional<nqb::plan::MealSlot> slot;   // preselected slot (none: the whole day)
    };

    explicit TPlanCopy(const Request &request, QWidget *parent = nullptr);

    // Shows the dialog modally; what to copy when the user confirmed.
    static std::optional<nqb::plan::CopyRequest> run(QWidget *parent, const Request &request);

    // What the controls say now.
    nqb::plan::CopyRequest choice() const;

public slots:
    void Accept();

private:
    Request m_request;
    QComboBox *Slot_cmb = nullptr;
    QList<QCheckBox *> m_days; // SUN_chk ... SAT_chk
    QRadioButton *Append_rdo = nullptr;
    QRadioButton *Replace_rdo = nullptr;
    QPushButton *Accept_btn = nullptr;
    QPushButton *Close_btn = nullptr;
};
