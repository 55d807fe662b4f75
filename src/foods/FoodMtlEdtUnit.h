#pragma once
// The change-weight window ("修改") of the dish editor: changes the weight of
// the ingredient in the editor's current grid row; its amounts follow the
// weight. Created for each use.
#include <QDialog>
#include <optional>

class NumericEdit;
class QLabel;
class QLineEdit;
class QPushButton;

class TFoodMtlEdt : public QDialog
{
    Q_OBJECT
public:
    struct Request {
        QString name;      // FOODNAME of the current row
        QString oldWeight; // its WEIGHT as shown
    };
    explicit TFoodMtlEdt(const Request &request, QWidget *parent = nullptr);

    // Shows the window modally; the new weight text when it was stored.
    static std::optional<QString> run(QWidget *parent, const Request &request);

    QLineEdit *oldWeightEdit() const { return OldWeight_edt; }
    NumericEdit *newWeightEdit() const { return NewWeight_edt; }
    QPushButton *acceptButton() const { return Accept_btn; }

public slots:
    void Accept();

private:
    Request m_request;
    QString m_weight;
    QLabel *Panel1 = nullptr;
    QLineEdit *OldWeight_edt = nullptr;
    NumericEdit *NewWeight_edt = nullptr;
    QPushButton *Accept_btn = nullptr;
    QPushButton *Close_btn = nullptr;
};
