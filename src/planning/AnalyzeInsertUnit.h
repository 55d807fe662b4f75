#pragma once
// The add-entry dialog ("增加"): puts the food or dish chosen in the
// workbench's chooser into the plan of the shown weekday, in the meal slot and
// with the weight the user gives. Created once at start-up and reused; every
// showing refreshes the chosen name, its identifier and the slot choices.
#include "planning/MealPlan.h"

#include <QDialog>
#include <QList>
#include <QPointer>

class NumericEdit;
class QLabel;
class QPushButton;
class QRadioButton;
class TAnalyze;

class TAnalyzeInsert : public QDialog
{
    Q_OBJECT
public:
    explicit TAnalyzeInsert(QWidget *parent = nullptr);
    ~TAnalyzeInsert() override;

    // The dialog of this run: created by the start-up (createInstance), or
    // when it is first needed. instance() is nullptr before.
    static TAnalyzeInsert *instance();
    static TAnalyzeInsert *createInstance(QWidget *parent);

    // Prepares the dialog for the workbench's current choice and shows it
    // modally. Returns true when an entry was added.
    bool run(TAnalyze *bench);
    // The preparation alone (what showing the dialog does).
    void prepare(TAnalyze *bench);

    // The chosen food's name and identifier (empty when it was not found).
    QString foodName() const { return m_name; }
    QString foodCode() const { return m_food.code; }
    // The slot radio of a meal slot, and the slot checked now.
    QRadioButton *slotRadio(nqb::plan::MealSlot slot) const;
    nqb::plan::MealSlot checkedSlot() const;
    NumericEdit *weightEdit() const { return Weight_edt; }
    QPushButton *acceptButton() const { return BitBtn1; }

public slots:
    // The accept button (or Enter in the weight box).
    void Accept();

private:
    void buildUi();
    void showSlotChoices(int pattern);

    QLabel *Panel1 = nullptr;
    QList<QRadioButton *> m_slotRadios; // in meal order
    NumericEdit *Weight_edt = nullptr;
    QPushButton *BitBtn1 = nullptr;

    QPointer<TAnalyze> m_bench;
    QString m_name;
    nqb::plan::FoodRow m_food;
};
