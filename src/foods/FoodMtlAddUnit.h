#pragma once
// The add-ingredient window ("增加") of the dish editor: takes the weight of
// the raw food picked in the editor's pick list and puts the ingredient into
// the working table with its amounts. Created for each use.
#include <QDialog>
#include <optional>

class NumericEdit;
class QLabel;
class QPushButton;

class TFoodMtlAdd : public QDialog
{
    Q_OBJECT
public:
    explicit TFoodMtlAdd(const QString &foodName, QWidget *parent = nullptr);

    // Shows the window modally for the raw food called foodName; the weight
    // text of the ingredient that was added, nothing when cancelled.
    static std::optional<QString> run(QWidget *parent, const QString &foodName);

    NumericEdit *weightEdit() const { return Weight_edt; }
    QPushButton *addButton() const { return Add_btn; }

public slots:
    void Accept();

private:
    QString m_name;
    QString m_weight;
    QLabel *Panel1 = nullptr;
    NumericEdit *Weight_edt = nullptr;
    QPushButton *Add_btn = nullptr;
    QPushButton *Close_btn = nullptr;
};
