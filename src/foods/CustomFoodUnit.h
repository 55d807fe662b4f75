#pragma once
// TCustomFood ("原料编辑"): finds a raw food by food group or search, shows
// its values on six pages (one per composition table), stores the shown
// page's values on "确认修改", attaches a picture, deletes foods and creates
// new ones (TCustomFoodInsert). Only the shown page is connected to data:
// switching pages or "  返   回" drops unconfirmed edits.
//
// The checks and writes are nqb::rawfood's; this window reads its fields,
// calls them and reports through Prompt.
#include "foods/RawFoods.h"

#include <QDialog>
#include <QHash>
#include <QImage>
#include <optional>

class FoodPicker;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

class TCustomFood : public QDialog
{
    Q_OBJECT
public:
    explicit TCustomFood(QWidget *parent = nullptr);

    static void run(QWidget *parent);

    // The current food (nothing before a food is chosen and after a delete).
    const std::optional<nqb::rawfood::Food> &currentFood() const { return m_food; }
    bool imageChanged() const { return m_imageChanged; }
    FoodPicker *picker() const { return m_picker; }

public slots:
    // Makes the food of that name current and shows the shown page's row.
    void chooseFood(const QString &name);
    // "确认修改": stores the shown page's values (and a chosen picture).
    void confirm();
    // "  返   回": reloads the current cell's food, dropping unconfirmed edits.
    void reload();
    void deleteFood();
    void addFood();
    void importComposition();
    void choosePicture();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUi();
    QWidget *buildPage(const nqb::rawfood::Page &page, QHash<QString, QLineEdit *> &fields);
    void pageChanged(int index);
    // Empties every page and fills the shown one from the current food's row.
    void loadShownPage();
    void clearFields();
    void showPicture();
    void setEditing(bool on);
    void resetToNoFood();
    bool savePicture(QString *error);
    QString pictureFile() const;

    FoodPicker *m_picker = nullptr;
    QLabel *m_header = nullptr;
    QTabWidget *m_pages = nullptr;
    QList<QHash<QString, QLineEdit *>> m_fields; // per page: column → field
    QLineEdit *m_area = nullptr;          // DBEditEh100 (page 1)
    QPlainTextEdit *m_describe = nullptr; // DBMemo1 (page 1)
    QLineEdit *m_areaCopy = nullptr;      // Edit1 (other pages)
    QPlainTextEdit *m_describeCopy = nullptr; // Memo1
    QLabel *m_image = nullptr;
    QPushButton *m_enable = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_return = nullptr;

    std::optional<nqb::rawfood::Food> m_food;
    QString m_reloadName; // the name the current food was chosen by
    bool m_imageChanged = false;
    QImage m_chosenImage;
};
