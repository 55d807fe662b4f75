#pragma once
// The group profile window: the composition of a group of diners (persons per
// age band, sex and activity level), the average requirement per person and
// day derived from it, and on confirmation the group profile file, the
// requirement rows and the hand-over to meal planning or to the survey.
#include "diners/GroupProfile.h"

#include <QDialog>
#include <functional>

class DataGrid;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSqlQueryModel;
class RequirementGrid;

namespace nqb {
class RunState;
}

class TCollective : public QDialog
{
    Q_OBJECT
public:
    explicit TCollective(nqb::RunState &state, QWidget *parent = nullptr);
    ~TCollective() override;

    // Opens the window modally with the main window's rules and destroys it afterwards.
    static void run(QWidget *parent, nqb::RunState &state);

    // Opens the survey entry window after a confirmation in survey mode; set by the start-up.
    static void setSurveyEntryOpener(std::function<void(QWidget *)> opener);

    // Restores the composition and the matrix from Collective.ini.
    void LoadGroupProfile();
    // Reopens the composition grid.
    void OpenComposition();
    // Derives the average matrix from the composition into the grids.
    void ComputeGroupRequirements();

    nqb::RequirementMatrix matrix() const;
    const QList<nqb::DinerGroupRow> &composition() const { return m_rows; }

public slots:
    void Add();
    void DeleteCurrent();
    void EditCurrent();
    void Accept();
    void Load();
    void Clear();
    void Refresh();

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    void buildUi();
    void ageBandChosen();
    int currentRow() const;

    QComboBox *Age_cmb = nullptr;
    QComboBox *Sex_cmb = nullptr;
    QComboBox *Activity_cmb = nullptr;
    QLineEdit *TotalPerson_edt = nullptr;
    QPushButton *Add_btn = nullptr;
    DataGrid *DBGridEh1 = nullptr;
    RequirementGrid *m_grids = nullptr;
    QPushButton *Accept_btn = nullptr;
    QPushButton *Load_btn = nullptr;
    QPushButton *Clear_btn = nullptr;
    QPushButton *Edt_btn = nullptr;
    QPushButton *Close_btn = nullptr;
    QSqlQueryModel *m_model = nullptr;

    QList<nqb::DinerGroupRow> m_rows;
    nqb::RunState &m_run;
    bool m_surveyMode = false;
};
