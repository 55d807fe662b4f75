#pragma once
// The individual profile window: describes one person, derives the daily
// requirement matrix, and on confirmation stores the profile and hands over to
// meal planning or to the dietary survey.
#include "diners/PersonalProfile.h"
#include "diners/Requirements.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class RequirementGrid;
class NumericEdit;
class SpinEdit;

namespace nqb {
class RunState;
}

class TPersonalInfo : public QDialog
{
    Q_OBJECT
public:
    // state: survey or planning mode, the meal pattern, and where a confirmed
    // profile reports its new requirement rows.
    explicit TPersonalInfo(nqb::RunState &state, QWidget *parent = nullptr);
    ~TPersonalInfo() override;

    // Restores the window from personal.ini (nothing happens when it is missing).
    void LoadProfile();
    // Derives the whole matrix from the profile controls.
    void ComputeRequirements();
    void FillDietKinds();
    void ShowEnergyShares();
    void AdjustEnergy();

    // The matrix as the two grids show it.
    nqb::RequirementMatrix matrix() const;

    // Opens the window modally with the main window's rules (survey or planning
    // mode) and destroys it afterwards.
    static void run(QWidget *parent, nqb::RunState &state);

    // Opens the survey entry window (modally, over the hidden profile window)
    // after a confirmation in survey mode; set by the start-up.
    static void setSurveyEntryOpener(std::function<void(QWidget *)> opener);

public slots:
    void Accept();
    void Load();

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    void buildUi();
    void showMatrix();
    nqb::RequirementProfile profileInputs() const;
    nqb::PersonalProfileData profileData() const;
    QString physiologicalState() const;
    void updateBmi();

    // Change handling of the controls.
    void ageBandChosen();
    void maleClicked();
    void femaleClicked();
    void stateClicked(QCheckBox *box, bool checked);
    void weightChanged();
    void adjustmentChanged(int value);

    QRadioButton *Male_rdo = nullptr;
    QRadioButton *FeMale_rdo = nullptr;
    QComboBox *Age_cmb = nullptr;
    NumericEdit *High_edt = nullptr;
    NumericEdit *Weight_edt = nullptr;
    QComboBox *Activity_cmb = nullptr;
    QComboBox *Dietary_cmb = nullptr;
    QLabel *m_feedingLabel = nullptr;
    QRadioButton *MatrixYes_rdo = nullptr;
    QRadioButton *MatrixNo_rdo = nullptr;
    QButtonGroup *m_feedingGroup = nullptr;
    QLabel *m_stateLabel = nullptr;
    QCheckBox *PregnantFir_chk = nullptr;
    QCheckBox *PregnantMid_chk = nullptr;
    QCheckBox *PregnantLast_chk = nullptr;
    QCheckBox *PregnantBaby_chk = nullptr;
    QLabel *BMI_lab = nullptr;
    QLabel *BMIRst_lab = nullptr;
    QRadioButton *IsPer_rdo = nullptr;
    QRadioButton *Pre_rdo = nullptr;
    SpinEdit *ReEnerc_edt = nullptr;
    QLineEdit *ProteinP_edt = nullptr;
    QLineEdit *FatP_edt = nullptr;
    QLineEdit *CHOP_edt = nullptr;
    RequirementGrid *m_grid = nullptr; // StrGrid1, StrGrid2
    QPushButton *Accept_btn = nullptr;
    QPushButton *Close_btn = nullptr;
    QPushButton *Load_btn = nullptr;

    QString m_sex = QStringLiteral("男");
    double m_ageLower = 18;
    double m_ageUpper = 50;
    nqb::RequirementState m_state;
    nqb::RunState &m_run;
    bool m_surveyMode = false;
};
