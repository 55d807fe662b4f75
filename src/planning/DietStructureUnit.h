#pragma once
// The diet structure window: the plan (or the surveyed intake) against the
// Chinese Dietary Guidelines — food groups of the pagoda, energy shares, meal
// distribution and variety — for the whole week or one weekday.
#include "planning/DietStructure.h"

#include <QDialog>

class DataGrid;
class QLabel;
class QPushButton;
class QRadioButton;
class QStandardItemModel;
class RangeBars;

class TDietStructure : public QDialog
{
    Q_OBJECT
public:
    struct Request {
        bool survey = false; // the surveyed intake as one day, no weekday choice
        QString ageBand;     // the profile's age band ("18 ～ 50"); empty: unknown
    };

    explicit TDietStructure(QWidget *parent, const Request &request);
    ~TDietStructure() override;

    // Creates the window, shows it modally and destroys it.
    static void run(QWidget *parent, const Request &request);

    // Recomputes the analysis of the chosen scope and shows it.
    void Refresh();
    const nqb::structure::Analysis &analysis() const { return m_analysis; }

private:
    void buildUi();
    nqb::structure::Scope scope() const;
    QString scopeText() const;
    void print();

    Request m_request;
    nqb::structure::Profile m_profile;
    nqb::structure::Analysis m_analysis;

    QList<QRadioButton *> m_radios; // 全周, then 周日 ... 周六
    DataGrid *Group_Grid = nullptr;
    DataGrid *Energy_Grid = nullptr;
    DataGrid *Meal_Grid = nullptr;
    DataGrid *Variety_Grid = nullptr;
    QStandardItemModel *m_groupModel = nullptr;
    QStandardItemModel *m_energyModel = nullptr;
    QStandardItemModel *m_mealModel = nullptr;
    QStandardItemModel *m_varietyModel = nullptr;
    RangeBars *Group_Chart = nullptr;
    QLabel *Message_lab = nullptr;
    QLabel *Other_lab = nullptr;
    QLabel *Quality_lab = nullptr;
    QLabel *Meal_lab = nullptr;
    QLabel *Energy_lab = nullptr;
    QPushButton *Print_btn = nullptr;
    QPushButton *Close_btn = nullptr;
};
