#pragma once
// The import/export window of the special diets: "导出数据" writes the diet
// kinds and their amendments (optionally with the whole DRIs table) to a file,
// "导入数据" reads such a file back after showing what it changes.
#include <QDialog>

class QCheckBox;
class QPushButton;

class TDRIsSave : public QDialog
{
    Q_OBJECT
public:
    explicit TDRIsSave(QWidget *parent = nullptr);

    static void run(QWidget *parent);

public slots:
    void Export();
    void Import();

private:
    QCheckBox *Standards_chk = nullptr;
    QPushButton *Export_btn = nullptr;
    QPushButton *Import_btn = nullptr;
    QPushButton *Close_btn = nullptr;
};
