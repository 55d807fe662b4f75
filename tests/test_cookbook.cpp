// The dish windows as a user drives them: the editor's add and modify paths
// with their questions and the picture rules, the weight windows, the library
// window's choose / modify / delete / close, the printed report and the dish
// categories window.
#include "Controls.h"
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "data/Paths.h"
#include "foods/CookBookEditUnit.h"
#include "foods/CookBookUnit.h"
#include "foods/DishReportView.h"
#include "foods/DishView.h"
#include "foods/FoodKindEditUnit.h"
#include "foods/FoodMtlAddUnit.h"
#include "planning_fixtures.h"
#include "widgets/DataGrid.h"
#include "widgets/NumericEdit.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTextDocument>
#include <QTreeWidget>
#include <QtTest>

using namespace nqb;
using fixtures::run;
using fixtures::value;

namespace {

bool prepare()
{
    return run("INSERT INTO CateKind_tb (KINDID, KINDNAME) VALUES ('90', '试验菜')")
           && fixtures::insertFood("90-0-001", "原料甲", 100, {{"PROCNT", 10}})
           && fixtures::insertFood("90-0-002", "原料乙", 80, {{"PROCNT", 20}});
}

void chooseKind(QWidget *w, const QString &text)
{
    auto *cmb = child<QComboBox>(w, "CateKind_cmb");
    cmb->setCurrentIndex(cmb->findText(text));
}

QString writePicture(const QString &dir, QColor colour)
{
    QImage img(300, 200, QImage::Format_RGB32);
    img.fill(colour);
    const QString path = QDir(dir).filePath(QStringLiteral("pic.png"));
    img.save(path);
    return path;
}

bool pictureExists(const QString &id)
{
    return QFileInfo::exists(dishview::picturePath(id));
}

} // namespace

class CookBookTest : public QObject
{
    Q_OBJECT
private slots:
    void addingKeepsDescriptionAndPictureRules()
    {
        TestEnv env;
        ScriptedPrompt prompts;
        QVERIFY(prepare());
        dish::clearWorkTable();
        TCookBookEdit::Input in;
        TCookBookEdit ed(in);
        QVERIFY(dish::addIngredient("原料甲", "100").ok());
        ed.refreshGrid();
        QCOMPARE(ed.grid()->rowCount(), 1);
        // The pick list refuses a food already listed.
        ed.addPicked(QStringLiteral("原料甲"));
        QCOMPARE(prompts.lastText(), QStringLiteral("该食物已存在,请修改其重量!"));

        child<QLineEdit>(&ed, "CateName_edt")->setText(QStringLiteral("第一道"));
        auto *pyjm = child<QLineEdit>(&ed, "PYJM_edt");
        QTest::mouseClick(pyjm, Qt::LeftButton);
        QCOMPARE(pyjm->text(), QStringLiteral("DYD"));
        child<QPlainTextEdit>(&ed, "Memo1")->setPlainText(QStringLiteral("家常做法"));
        chooseKind(&ed, QStringLiteral("90-试验菜"));
        prompts.answers.enqueue(true); // 继续添加
        child<QPushButton>(&ed, "AddCate_btn")->click();
        QCOMPARE(prompts.lastText(), QStringLiteral("添加成功,是否继续添加？"));
        QCOMPARE(rowCount("select count(*) from CateNutri_tb where FOODID='90-001'"), 1);
        // No click on the picture: no picture file.
        QVERIFY(!pictureExists("90-001"));
        QCOMPARE(child<QLineEdit>(&ed, "CateName_edt")->text(), QString());
        QCOMPARE(pyjm->text(), QString());
        QCOMPARE(child<NumericEdit>(&ed, "Edible_edt")->text(), QStringLiteral("100"));
        QCOMPARE(ed.categoryText(), QStringLiteral("请选择类别"));
        QCOMPARE(child<QPlainTextEdit>(&ed, "Memo1")->toPlainText(), QStringLiteral("家常做法"));
        QCOMPARE(rowCount("CateNutriSum_tmp"), 0);

        // The second dish with a chosen picture: stored as a 120 x 100 bitmap.
        QVERIFY(dish::addIngredient("原料乙", "50").ok());
        child<QLineEdit>(&ed, "CateName_edt")->setText(QStringLiteral("第二道"));
        pyjm->setText(QStringLiteral("DED"));
        chooseKind(&ed, QStringLiteral("90-试验菜"));
        prompts.files.enqueue(writePicture(env.workingDir(), Qt::red));
        QTest::mouseClick(child<QLabel>(&ed, "Image"), Qt::LeftButton);
        QCOMPARE(prompts.fileCaptions.last(), QStringLiteral("请选择食物图片"));
        QVERIFY(ed.imageChanged());
        prompts.answers.enqueue(false);
        ed.Save();
        QCOMPARE(ed.result(), int(QDialog::Accepted));
        QCOMPARE(ed.savedName(), QStringLiteral("第二道"));
        const QImage stored(dishview::picturePath("90-002"));
        QCOMPARE(stored.size(), QSize(120, 100));
        QCOMPARE(QColor(stored.pixel(60, 50)), QColor(Qt::red));
        QCOMPARE(value("SELECT FoodDescribe FROM CateNutri_tb WHERE FOODID='90-002'").toString(),
                 QStringLiteral("家常做法"));
    }

    void refusalsKeepTheEditorOpen()
    {
        TestEnv env;
        ScriptedPrompt prompts;
        QVERIFY(prepare());
        dish::clearWorkTable();
        TCookBookEdit ed(TCookBookEdit::Input{});
        child<QLineEdit>(&ed, "CateName_edt")->setText(QStringLiteral("空菜"));
        child<QLineEdit>(&ed, "PYJM_edt")->setText(QStringLiteral("KC"));
        ed.Save();
        QCOMPARE(prompts.messages.last().title, QStringLiteral("警告"));
        QCOMPARE(prompts.lastText(), QStringLiteral("请正确选择食物种类!"));
        chooseKind(&ed, QStringLiteral("90-试验菜"));
        ed.Save(); // no ingredient weight
        QCOMPARE(prompts.messages.last().icon, Prompt::Icon::Warning);
        QCOMPARE(rowCount("select count(*) from CateNutri_tb where FOODNAME='空菜'"), 0);
        QCOMPARE(ed.result(), 0);

        // The add window refuses an empty weight and stays open.
        TFoodMtlAdd add(QStringLiteral("原料甲"));
        add.Accept();
        QCOMPARE(prompts.lastText(), QStringLiteral("食物重量不能为空!"));
        QCOMPARE(add.result(), 0);
        add.weightEdit()->setText(QStringLiteral("40"));
        add.Accept();
        QCOMPARE(add.result(), int(QDialog::Accepted));
        QCOMPARE(value("SELECT PROCNT FROM CateNutriSum_tmp WHERE FOODNAME='原料甲'").toDouble(), 4.0);
    }

    void modifyingWithoutPictureWritesNone()
    {
        TestEnv env;
        ScriptedPrompt prompts;
        QVERIFY(prepare());
        dish::clearWorkTable();
        QVERIFY(dish::addIngredient("原料甲", "100").ok());
        dish::SaveRequest req{true, {}, QStringLiteral("无图菜"), QStringLiteral("WTC"), QStringLiteral("100"),
                              QStringLiteral("90-试验菜"), QString()};
        QVERIFY(dish::saveDish(req).result.ok());
        dish::DishInfo info;
        bool found = false;
        QVERIFY(dish::findDish(QStringLiteral("无图菜"), info, found).ok() && found);

        TCookBookEdit ed(TCookBookEdit::Input{false, info});
        QVERIFY(!ed.imageChanged());
        // "No" to the question changes nothing.
        child<NumericEdit>(&ed, "Edible_edt")->setText(QStringLiteral("50"));
        ed.Modify();
        QCOMPARE(prompts.lastText(), QStringLiteral("确认修改？"));
        QCOMPARE(value("SELECT EDIBLE FROM CateNutri_tb WHERE FOODID='90-001'").toDouble(), 100.0);
        prompts.answers.enqueue(true);
        child<QPushButton>(&ed, "EditCate_edt")->click();
        QCOMPARE(prompts.lastText(), QStringLiteral("恭喜你,修改成功!"));
        QCOMPARE(value("SELECT EDIBLE FROM CateNutri_tb WHERE FOODID='90-001'").toDouble(), 50.0);
        QCOMPARE(value("SELECT PROCNT FROM CateNutri_tb WHERE FOODID='90-001'").toDouble(), 5.0);
        QVERIFY(!pictureExists("90-001"));
        QCOMPARE(ed.savedName(), QStringLiteral("无图菜"));
    }

    void libraryModifyDeleteAndClose()
    {
        TestEnv env;
        ScriptedPrompt prompts;
        QVERIFY(prepare());
        QVERIFY(run("INSERT INTO CateKind_tb (KINDID, KINDNAME) VALUES ('91', '别类')"));
        dish::clearWorkTable();
        QVERIFY(dish::addIngredient("原料甲", "100").ok() && dish::addIngredient("原料乙", "50").ok());
        dish::SaveRequest req{true, {}, QStringLiteral("甲乙菜"), QStringLiteral("JYC"), QStringLiteral("100"),
                              QStringLiteral("90-试验菜"), QStringLiteral("说明")};
        QVERIFY(dish::saveDish(req).result.ok());
        dish::clearWorkTable();
        // The dish has a picture.
        QVERIFY(dishview::savePicture(QPixmap(writePicture(env.workingDir(), Qt::blue)), "90-001").isEmpty());

        TCookBook book;
        QTreeWidget *tree = book.tree();
        QTreeWidgetItem *kind = nullptr;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->text(0) == QStringLiteral("90-试验菜"))
                kind = tree->topLevelItem(i);
        QVERIFY(kind);
        QCOMPARE(kind->childCount(), 1);
        // Modify with nothing chosen is refused.
        child<QPushButton>(&book, "EditCate_btn")->click();
        QCOMPARE(prompts.lastText(), QStringLiteral("请选择要修改的菜肴名称!"));

        book.chooseDish(kind->child(0)->text(0));
        QCOMPARE(book.caption(), QStringLiteral("甲乙菜"));
        QCOMPARE(book.grid()->rowCount(), 2);
        QCOMPARE(book.grid()->footerText("PROCNT"), QStringLiteral("18"));
        QCOMPARE(child<QPlainTextEdit>(&book, "Memo1")->toPlainText(), QStringLiteral("说明"));

        // Modify: moved to another category at 90 %; the picture follows the new identifier.
        bool sawEditor = false;
        onNextModal([&](QWidget *m) {
            auto *ed = qobject_cast<TCookBookEdit *>(m);
            QVERIFY(ed);
            sawEditor = true;
            QCOMPARE(ed->windowTitle(), QStringLiteral("修改食物"));
            QCOMPARE(child<QLabel>(ed, "Panel1")->text(), QStringLiteral("[甲乙菜]编辑"));
            QCOMPARE(ed->categoryText(), QStringLiteral("90-试验菜"));
            QVERIFY(child<QPushButton>(ed, "AddCate_btn")->isHidden());
            child<NumericEdit>(ed, "Edible_edt")->setText(QStringLiteral("90"));
            chooseKind(ed, QStringLiteral("91-别类"));
            prompts.answers.enqueue(true);
            ed->Modify();
        });
        child<QPushButton>(&book, "EditCate_btn")->click();
        QVERIFY(sawEditor);
        QCOMPARE(prompts.lastText(), QStringLiteral("恭喜你,修改成功!"));
        QCOMPARE(value("SELECT PROCNT FROM CateNutri_tb WHERE FOODID='91-001'").toDouble(), 10.8);
        QCOMPARE(rowCount("select count(*) from CateComponent_tb where FOODID='90-001'"), 0);
        QVERIFY(pictureExists("91-001"));
        QVERIFY(!pictureExists("90-001"));
        QCOMPARE(book.caption(), QStringLiteral("甲乙菜"));
        QCOMPARE(book.shownDish().foodId, QStringLiteral("91-001"));
        QCOMPARE(book.grid()->rowCount(), 2);

        // The printed report is made from the dish shown.
        dish::ReportData data;
        QVERIFY(dish::reportData(book.caption(), data).ok());
        const auto doc = dishview::dishReport(data);
        const QString text = doc->toPlainText();
        for (const char *part : {"甲乙菜", "91-别类", "原料甲", "原料乙", "合计", "每100g"})
            QVERIFY2(text.contains(QString::fromUtf8(part)), part);
        QVERIFY(text.contains(QStringLiteral("10.8")));

        // Delete: refused question writes nothing; Yes deletes dish, ingredients and picture.
        child<QPushButton>(&book, "DelCate_btn")->click();
        QCOMPARE(prompts.lastText(), QStringLiteral("确认删除？"));
        QCOMPARE(rowCount("select count(*) from CateNutri_tb where FOODNAME='甲乙菜'"), 1);
        prompts.answers.enqueue(true);
        child<QPushButton>(&book, "DelCate_btn")->click();
        QCOMPARE(rowCount("select count(*) from CateNutri_tb where FOODNAME='甲乙菜'"), 0);
        QCOMPARE(rowCount("select count(*) from CateComponent_tb where FOODID='91-001'"), 0);
        QVERIFY(!pictureExists("91-001"));
        QCOMPARE(book.caption(), dish::noDishCaption());
        QCOMPARE(book.grid()->rowCount(), 0);

        book.chooseDish(QStringLiteral("不存在"));
        QVERIFY(dish::addIngredient("原料甲", "10").ok());
        child<QPushButton>(&book, "Close_btn")->click();
        QCOMPARE(rowCount("CateNutriSum_tmp"), 0);
    }

    void categoriesWindow()
    {
        TestEnv env;
        ScriptedPrompt prompts;
        QVERIFY(prepare());
        QVERIFY(fixtures::insertDish("90-001", "甲菜", 100, {}));
        QVERIFY(run("UPDATE CateNutri_tb SET KINDNAME='试验菜' WHERE FOODID='90-001'"));
        TFoodKindEdit w;
        QCOMPARE(w.objectName(), QStringLiteral("TFoodKindEdit"));
        auto *name = child<QLineEdit>(&w, "KindName_edt");
        name->setText(QStringLiteral("旧字"));
        QTest::mouseClick(name, Qt::LeftButton);
        QCOMPARE(name->text(), QString());
        name->setText(QStringLiteral("试验菜"));
        child<QPushButton>(&w, "Add_btn")->click();
        QCOMPARE(prompts.lastText(), QStringLiteral("食物类别有重复!"));

        // Rename: the dishes follow; delete refused while dishes remain.
        auto *grid = child<QTableWidget>(&w, "DBGridEh1");
        for (int r = 0; r < grid->rowCount(); ++r)
            if (grid->item(r, 1)->text() == QStringLiteral("试验菜"))
                grid->setCurrentCell(r, 0);
        onNextModal([](QWidget *m) {
            QCOMPARE(m->objectName(), QStringLiteral("TFoodKindEditSub"));
            child<QLineEdit>(m, "NewKind_edt")->setText(QStringLiteral("新名菜"));
            QTest::keyClick(child<QLineEdit>(m, "NewKind_edt"), Qt::Key_Return);
        });
        child<QPushButton>(&w, "Edit_btn")->click();
        QCOMPARE(value("SELECT KINDNAME FROM CateNutri_tb WHERE FOODID='90-001'").toString(), QStringLiteral("新名菜"));
        child<QPushButton>(&w, "Del_btn")->click();
        QCOMPARE(prompts.lastText(), QStringLiteral("务必清空此类别下的所有食物!"));
        QCOMPARE(prompts.messages.last().icon, Prompt::Icon::Information);
        QCOMPARE(rowCount("select count(*) from CateKind_tb where KINDNAME='新名菜'"), 1);
    }
};

QTEST_MAIN(CookBookTest)
#include "test_cookbook.moc"
