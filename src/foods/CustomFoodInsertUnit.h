#pragma once
// TCustomFoodInsert ("添加食物"): a new raw food of the users' group 22 with
// its name, pinyin initials and sub-group. The checks, the new code and the
// write are nqb::rawfood::createFood's; the window returns the new food.
#include "foods/RawFoods.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;

class TCustomFoodInsert : public QDialog
{
    Q_OBJECT
public:
    explicit TCustomFoodInsert(QWidget *parent = nullptr);

    // Opens the window modally; the stored food, or nothing when cancelled.
    static std::optional<nqb::rawfood::Food> run(QWidget *parent);

    const std::optional<nqb::rawfood::Food> &created() const { return m_created; }

public slots:
    void confirm();
    void editSubGroups();
    // Refills the sub-group list, keeping the chosen one where it still exists.
    void fillSubGroups();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_name = nullptr;
    QLineEdit *m_pyjm = nullptr;
    QComboBox *m_kind = nullptr;
    QPushButton *m_add = nullptr;
    std::optional<nqb::rawfood::Food> m_created;
};
