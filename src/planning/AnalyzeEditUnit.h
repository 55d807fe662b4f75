#pragma once
// The change-weight dialog ("修改"): changes the weight of the plan entry
// selected in the workbench's shown grid; its nutrient amounts follow the
// weight. Created for each use and destroyed afterwards.
#include <QDialog>
#include <QPointer>

class NumericEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class TAnalyze;

class TAnalyzeEdit : public QDialog
{
    Q_OBJECT
public:
    // Reads the selected row of the workbench's shown grid; on the total page
    // the row's meal slot becomes the workbench's current slot.
    explicit TAnalyzeEdit(TAnalyze *bench, QWidget *parent = nullptr);
    ~TAnalyzeEdit() override;

    QString foodName() const { return m_name; }
    QLineEdit *oldWeightEdit() const { return OldWeight_edt; }
    NumericEdit *newWeightEdit() const { return NewWeight_edt; }
    QPushButton *acceptButton() const { return Accept_btn; }

public slots:
    // The accept button (or Enter in the new-weight box).
    void Accept();

private:
    void buildUi();

    QLabel *Panel1 = nullptr;
    QLineEdit *OldWeight_edt = nullptr;
    NumericEdit *NewWeight_edt = nullptr;
    QPushButton *Accept_btn = nullptr;
    QPushButton *Close_btn = nullptr;

    QPointer<TAnalyze> m_bench;
    QString m_name;
};
