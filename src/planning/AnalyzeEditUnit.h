#pragma once
// The change-weight dialog ("修改"): changes the weight of the plan entry
// selected in the workbench's shown grid; its nutrient amounts follow the
// weight. Created for each use and destroyed afterwards.
#include <QDialog>
#include <optional>

class NumericEdit;
class QLabel;
class QLineEdit;
class QPushButton;

class TAnalyzeEdit : public QDialog
{
    Q_OBJECT
public:
    // The entry to change, as the workbench's selected row shows it.
    struct Request {
        QString name;      // FOODNAME ("" when no row is selected)
        QString oldWeight; // its weight as shown ("" disables the change)
        QString weekday;   // WEEK
        QString slot;      // DINERTIME
    };

    explicit TAnalyzeEdit(const Request &request, QWidget *parent = nullptr);
    ~TAnalyzeEdit() override;

    // Shows the dialog modally; the new weight text when the entry was changed.
    static std::optional<QString> run(QWidget *parent, const Request &request);

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

    Request m_request;
    QString m_name;
    QString m_newWeight;
};
