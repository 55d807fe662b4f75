#pragma once
// The dish editor: composes the ingredient list of one dish in the working
// table CateNutriSum_tmp (shared with the dish library window), shows the
// amounts of each ingredient and their totals, and stores the dish with its
// values, ingredients and picture. Opened modally by the library window, for
// a new dish or for the dish it shows; created for each use.
#include "foods/Dishes.h"

#include <QDialog>
#include <QPixmap>
#include <optional>

class DataGrid;
class FoodPicker;
class NumericEdit;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSqlQueryModel;

class TCookBookEdit : public QDialog
{
    Q_OBJECT
public:
    struct Input {
        bool adding = true;       // AddMode
        nqb::dish::DishInfo dish; // modifying: the dish shown in the library (its name = the header caption)
    };
    explicit TCookBookEdit(const Input &input, QWidget *parent = nullptr);
    ~TCookBookEdit() override;

    // Opens the editor modally. The name of the dish saved last when the
    // editor was closed by a save (the library's new header caption), nothing
    // when it was closed otherwise.
    static std::optional<QString> run(QWidget *parent, const Input &input);

    bool isAdding() const { return m_input.adding; }
    bool imageChanged() const { return m_imageChanged; }
    QString savedName() const { return m_savedName; }
    QString savedId() const { return m_savedId; }
    FoodPicker *picker() const { return m_picker; }
    DataGrid *grid() const { return Nutrient_Grid; }
    // The category text: the chosen entry, or "请选择类别".
    QString categoryText() const;

public slots:
    void Save();            // AddCate_btn: store a new dish
    void Modify();          // EditCate_edt: store the modified dish
    void addPicked(const QString &name); // double click in the pick list
    void changeWeight();    // double click on the grid
    void deleteIngredient(); // "删除(&Del)"
    void choosePicture();   // click on the picture
    void editCategories();  // "编"
    void refreshGrid();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    void fillCategories(const QString &keepKindId = QString());
    void showNutrientOf(const QString &name);
    nqb::dish::SaveRequest request() const;
    // Writes or clears the picture file after a stored save; false with a shown message on failure.
    void storePicture(const QString &newId, const QString &oldId);
    void report(const nqb::Result &r);

    Input m_input;
    bool m_imageChanged = false;
    QPixmap m_picture;
    QString m_savedName;
    QString m_savedId;

    QLabel *Panel1 = nullptr;
    QLineEdit *CateName_edt = nullptr;
    QLineEdit *PYJM_edt = nullptr;
    NumericEdit *Edible_edt = nullptr;
    QComboBox *CateKind_cmb = nullptr;
    QPushButton *BitBtn4 = nullptr;
    QLabel *Image = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *AddCate_btn = nullptr;
    QPushButton *EditCate_edt = nullptr;
    QPushButton *Close_btn = nullptr;
    QLineEdit *Weight_edt = nullptr;
    DataGrid *Nutrient_Grid = nullptr;
    QSqlQueryModel *m_model = nullptr;
    FoodPicker *m_picker = nullptr;
};
