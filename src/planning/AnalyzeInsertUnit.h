#pragma once
// The add-entry dialog ("增加"): puts the food or dish chosen in the
// workbench's chooser into the plan of the shown weekday, in the meal slot and
// with the weight the user gives. Created once at start-up and reused; every
// showing refreshes the chosen name, its identifier and the slot choices.
#include "planning/MealPlan.h"

#include <QDialog>
#include <QList>
#include <optional>

class NumericEdit;
class QLabel;
class QPushButton;
class QRadioButton;

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

    // What the dialog is opened with: the workbench's choice and its state.
    struct Request {
        QString name;             // the chosen food or dish ("" when nothing is chosen)
        nqb::plan::FoodRow food;  // its row, looked up by the workbench (not found: no add)
        QString lookupError;      // why the lookup failed, shown when the dialog opens
        QString weekday;          // "SUN" ... "SAT"
        bool totalPageShown = true;
        nqb::plan::MealSlot shownSlot = nqb::plan::MealSlot::Breakfast;
        int mealPattern = 1;
        QString proposedWeight;   // the usual weight of a quantified-menu item
    };
    // What was added.
    struct Added {
        nqb::plan::MealSlot slot = nqb::plan::MealSlot::Breakfast;
        QString weight;
    };

    // Prepares the dialog of this run for request and shows it modally (the
    // dialog is created on first use when the start-up did not create it).
    // The entry that was added, or nothing when the dialog was closed.
    static std::optional<Added> run(QWidget *parent, const Request &request);
    // The preparation alone (what showing the dialog does).
    void prepare(const Request &request);
    // The entry added by the last accept, if any.
    std::optional<Added> added() const { return m_added; }

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

    Request m_request;
    QString m_name;
    nqb::plan::FoodRow m_food;
    std::optional<Added> m_added;
};
