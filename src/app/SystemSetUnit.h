#pragma once
// The settings window: the meal pattern and the organisation's name and
// contact details (which head every printed report), kept in "system.dll".
#include <QDialog>
#include <optional>

class QLineEdit;
class QPushButton;
class QRadioButton;

class TSystemSet : public QDialog
{
    Q_OBJECT
public:
    explicit TSystemSet(QWidget *parent = nullptr);
    ~TSystemSet() override;

    // Shows the window modally. After " 确  定" the meal pattern now in the
    // settings file (an unknown one as stored); nothing when closed otherwise.
    static std::optional<int> run(QWidget *parent);

    // Reads the settings file into the controls (done on every show).
    void Load();
    // " 确  定": writes the file, empties the meal plan and closes. A file that
    // cannot be written is reported; the plan is kept and the window stays open.
    void Accept();

    std::optional<int> savedPattern() const { return m_saved; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();

    QRadioButton *ThreeToOne_rdo = nullptr;
    QRadioButton *ThreeToTwo_rdo = nullptr;
    QRadioButton *ThreeToThree_rdo = nullptr;
    QLineEdit *Cmp_edt = nullptr;
    QLineEdit *Tel_edt = nullptr;
    QPushButton *Accept_btn = nullptr;
    QPushButton *Close_Btn = nullptr;
    std::optional<int> m_saved;
};
