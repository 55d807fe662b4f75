#include "Controls.h"
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "data/NameList.h"
#include "data/NumberFormat.h"
#include "diners/Amendments.h"
#include "diners/DRIsAmendUnit.h"
#include "diners/DRIsStandUnit.h"
#include "diners/DRIsStandards.h"
#include "diners/DietKindList.h"
#include "diners/Requirements.h"
#include "widgets/DataGrid.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QtTest>

using namespace nqb;

namespace {

QStringList ageTextsInTableOrder(const QString &sex, const QString &act, const QString &kind)
{
    QSqlQuery q(db());
    q.prepare("SELECT AGETEXT FROM DRIsStand_tb WHERE SEX=? AND ACT=? AND DRIS=? ORDER BY AGEFIR");
    q.addBindValue(sex);
    q.addBindValue(act);
    q.addBindValue(kind);
    q.exec();
    QStringList l;
    while (q.next())
        l << q.value(0).toString();
    return l;
}

double stored(const QString &column, const QString &age, const QString &sex, const QString &act, const QString &kind)
{
    QSqlQuery q(db());
    q.prepare("SELECT " + column + " FROM DRIsStand_tb WHERE AGETEXT=? AND SEX=? AND ACT=? AND DRIS=?");
    for (const QString &v : {age, sex, act, kind})
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        return -1;
    return q.value(0).toDouble();
}

QStringList shownAges(const TDRIsStand &w)
{
    QStringList l;
    for (const auto &r : w.rows())
        l << r.ageText;
    return l;
}

AmendmentInput input(const QString &kind, const QString &lower, const QString &upper, const QString &element,
                     const QString &sex, const QString &ear, const QString &rni, const QString &ul)
{
    return {kind, lower, upper, element, sex, ear, rni, ul, QString()};
}

} // namespace

class DRIsWindowsTest : public QObject
{
    Q_OBJECT
private slots:
    void standardsFilters();
    void standardsRowIsCheckedWhenLeft();
    void standardsRestoreShippedValues();
    void amendmentRangesAndValues();
    void kindsFollowRenameAndGuardDelete();
    void amendmentWindowAddsAndRefuses();
};

void DRIsWindowsTest::standardsFilters()
{
    TestEnv env;
    TDRIsStand w;
    w.show();
    QCOMPARE(shownAges(w), ageTextsInTableOrder("男", "轻体力活动", "RNI"));
    QVERIFY(!w.rows().isEmpty());
    auto *yes = child<QRadioButton>(&w, "IsPreYes_rdo");
    auto *no = child<QRadioButton>(&w, "IsPerNo_rdo");
    QVERIFY(!yes->isEnabled() && !no->isEnabled());

    child<QRadioButton>(&w, "SexFemale_rdo")->setChecked(true);
    QVERIFY(yes->isEnabled() && no->isChecked());
    QCOMPARE(shownAges(w), ageTextsInTableOrder("女", "轻体力活动", "RNI"));

    child<QRadioButton>(&w, "ActHeavy_rdo")->setChecked(true);
    yes->setChecked(true);
    QVERIFY(child<QRadioButton>(&w, "ActLight_rdo")->isChecked());
    QVERIFY(!child<QRadioButton>(&w, "ActMid_rdo")->isEnabled());
    QStringList states;
    for (const auto &r : w.rows()) {
        states << r.sex;
        QCOMPARE(r.kind, QStringLiteral("RNI"));
    }
    QCOMPARE(states, QStringList({"孕早", "孕中", "孕晚", "哺乳"}));

    child<QRadioButton>(&w, "UL_rdo")->setChecked(true);
    QCOMPARE(w.rows().size(), 4);
    for (const auto &r : w.rows())
        QCOMPARE(r.kind, QStringLiteral("UL"));
    QCOMPARE(w.rows()[3].sex, QStringLiteral("哺乳"));

    child<QRadioButton>(&w, "SexMale_rdo")->setChecked(true);
    QVERIFY(!yes->isEnabled() && !no->isEnabled() && !yes->isChecked() && !no->isChecked());
    QVERIFY(child<QRadioButton>(&w, "ActHeavy_rdo")->isEnabled());
    QCOMPARE(shownAges(w), ageTextsInTableOrder("男", "轻体力活动", "UL"));
    QCOMPARE(w.rows()[0].sex, QStringLiteral("男"));
}

void DRIsWindowsTest::standardsRowIsCheckedWhenLeft()
{
    TestEnv env;
    ScriptedPrompt prompts;
    TDRIsStand w;
    w.show();
    auto *grid = child<DataGrid>(&w, "DBGridEh1");
    auto *model = qobject_cast<QStandardItemModel *>(grid->sourceModel());
    QVERIFY(model);
    const int row = shownAges(w).indexOf("18 ～ 50");
    QVERIFY(row >= 0);
    const int ca = standardValueColumns().indexOf("CA") + 1; // model column (AGETEXT first)
    const double ul = stored("CA", "18 ～ 50", "男", "轻体力活动", "UL");

    // A value at the upper limit is refused, naming the nutrient; nothing is stored.
    grid->setCurrentIndex(grid->model()->index(row, ca));
    model->item(row, ca)->setData(ul, Qt::EditRole);
    grid->setCurrentIndex(grid->model()->index(row + 1, ca));
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].icon, Prompt::Icon::Warning);
    QVERIFY(prompts.lastText().contains("钙[mg]"));
    QVERIFY(stored("CA", "18 ～ 50", "男", "轻体力活动", "RNI") < ul);
    QTRY_COMPARE(grid->currentIndex().row(), row); // back to the row to correct it

    // A good value is stored as the row is left.
    prompts.clear();
    model->item(row, ca)->setData(ul - 1, Qt::EditRole);
    grid->setCurrentIndex(grid->model()->index(row + 1, ca));
    QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.lastText()));
    QCOMPARE(stored("CA", "18 ～ 50", "男", "轻体力活动", "RNI"), ul - 1);

    // Text that is no number.
    const int weight = 1;
    model->item(row, weight)->setData(QStringLiteral("6x"), Qt::EditRole);
    w.commitPendingRow();
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY(prompts.lastText().contains("体重"));

    // The check looks across the three kinds: an EAR above the RNI is refused too.
    StandardRow ear;
    QList<StandardRow> ears;
    StandardFilter f;
    f.kind = "EAR";
    QVERIFY(readStandards(db(), f, ears).ok());
    ear = ears[row];
    ear.values[ca - 1] = fmtG(ul - 0.5);
    const Result r = storeStandardRow(db(), ear);
    QCOMPARE(r.status, Status::Refused);
    QVERIFY(r.message.contains("钙[mg]"));
}

void DRIsWindowsTest::standardsRestoreShippedValues()
{
    TestEnv env;
    ScriptedPrompt prompts;
    const double shipped = stored("ENERC_kcal", "18 ～ 50", "男", "轻体力活动", "RNI");
    const double shippedWeight = stored("WEIGHT", "18 ～ 50", "男", "轻体力活动", "RNI");
    QSqlQuery q(db());
    QVERIFY(q.exec("UPDATE DRIsStand_tb SET ENERC_kcal = 1, WEIGHT = 2 WHERE SEX='男' AND ACT='轻体力活动' AND DRIS='RNI'"));
    QVERIFY(q.exec("UPDATE DRIsStand_tb SET ENERC_kcal = 3 WHERE SEX='女' AND ACT='轻体力活动' AND DRIS='RNI'"));
    TDRIsStand w;
    w.show();
    prompts.answers.enqueue(false);
    child<QPushButton>(&w, "Restore_btn")->click();
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].icon, Prompt::Icon::Question);
    QCOMPARE(stored("ENERC_kcal", "18 ～ 50", "男", "轻体力活动", "RNI"), 1.0);

    prompts.answers.enqueue(true);
    child<QPushButton>(&w, "Restore_btn")->click();
    QCOMPARE(stored("ENERC_kcal", "18 ～ 50", "男", "轻体力活动", "RNI"), shipped);
    QCOMPARE(stored("WEIGHT", "18 ～ 50", "男", "轻体力活动", "RNI"), shippedWeight);
    QCOMPARE(w.rows()[0].values[1], fmtG(stored("ENERC_kcal", w.rows()[0].ageText, "男", "轻体力活动", "RNI")));
    QVERIFY(w.rows()[0].values[1] != QStringLiteral("1"));
    // Rows not shown keep their values.
    QCOMPARE(stored("ENERC_kcal", "18 ～ 50", "女", "轻体力活动", "RNI"), 3.0);
}

void DRIsWindowsTest::amendmentRangesAndValues()
{
    TestEnv env;
    const QString kind = "低盐膳食";
    const QString el = requirementElement(16); // 磷 [mg]
    QVERIFY(addAmendment(db(), input(kind, "18", "50", el, "男", "500", "700", "3500")).ok());
    QVERIFY(addAmendment(db(), input(kind, "50", "60", el, "男", "500", "700", "3500")).ok());
    Result r = addAmendment(db(), input(kind, "14", "60", el, "男", "500", "700", "3500"));
    QCOMPARE(r.status, Status::Duplicate);
    QCOMPARE(r.message, QStringLiteral("年龄阶段有重复!"));
    QVERIFY(addAmendment(db(), input(kind, "14", "60", el, "女", "500", "700", "3500")).ok());
    QVERIFY(addAmendment(db(), input(kind, "14", "60", requirementElement(17), "男", "1", "2", "3")).ok());

    // Values: RNI = UL refused, EAR = RNI accepted, missing or reversed refused.
    r = addAmendment(db(), input(kind, "60", "70", el, "男", "500", "700", "700"));
    QCOMPARE(r.message, QStringLiteral("请正确填写参考标准值!"));
    QCOMPARE(addAmendment(db(), input(kind, "60", "70", el, "男", "", "700", "800")).message,
             QStringLiteral("请正确填写参考标准值!"));
    QCOMPARE(addAmendment(db(), input("ALL", "60", "70", el, "男", "1", "2", "3")).message,
             QStringLiteral("请正确选择膳食种类!"));
    QCOMPARE(addAmendment(db(), input(kind, "60", "70", "请选择", "男", "1", "2", "3")).message,
             QStringLiteral("请正确选择营养素种类!"));
    QVERIFY(addAmendment(db(), input(kind, "60", "70", el, "男", "700", "700", "800")).ok());

    QList<Amendment> rows;
    QVERIFY(readAmendments(db(), kind, rows).ok());
    Amendment fifty;
    for (const auto &a : rows)
        if (a.age == "50岁 ~ 60岁" && a.element == el)
            fifty = a;
    QCOMPARE(fifty.yearFir, 50.0);
    QCOMPARE(fifty.yearLast, 60.0);
    // A change keeps its decimals.
    QCOMPARE(changeAmendment(db(), fifty, "1", "", "3", "x").message, QStringLiteral("请填写完整的参考标准!"));
    QCOMPARE(changeAmendment(db(), fifty, "1", "3", "3", "x").message, QStringLiteral("请正确填写参考标准值!"));
    QVERIFY(changeAmendment(db(), fifty, "1.2", "1.4", "2.5", "  note ").ok());
    QVERIFY(readAmendments(db(), kind, rows).ok());
    for (const auto &a : rows) {
        if (a.rowId == fifty.rowId) {
            QCOMPARE(a.rni.toDouble(), 1.4);
            QCOMPARE(a.ear.toDouble(), 1.2);
            QCOMPARE(a.remark, QStringLiteral("note"));
        }
    }
    QVERIFY(deleteAmendment(db(), fifty).ok());
    QVERIFY(addAmendment(db(), input(kind, "50", "60", el, "男", "1", "2", "3")).ok());

    QCOMPARE(upperAgesAbove("80"), QStringList({"99"}));
    QCOMPARE(upperAgesAbove("0").size(), 19);
    QCOMPARE(upperAgesAbove("14").first(), QStringLiteral("18"));
    QVERIFY(!ageRangesOverlap(18, 50, 50, 60));
    QVERIFY(ageRangesOverlap(14, 60, 18, 50));
}

void DRIsWindowsTest::kindsFollowRenameAndGuardDelete()
{
    TestEnv env;
    NameList kinds(dietKindList());
    QVERIFY(kinds.validity().ok());
    NameListEntry entry;
    QVERIFY(kinds.add("O'Brien膳食", &entry).ok());
    QVERIFY(addAmendment(db(), input("O'Brien膳食", "18", "50", requirementElement(18), "男", "1", "2", "3")).ok());
    // The individual profile offers the new kind where its range covers the band.
    QStringList offered;
    QCOMPARE(dietKinds(db(), "男", 18, 50, offered), QString());
    QVERIFY(offered.contains("O'Brien膳食"));
    QCOMPARE(dietKinds(db(), "女", 18, 50, offered), QString());
    QVERIFY(!offered.contains("O'Brien膳食"));

    QVERIFY(kinds.rename(entry, "O'Brien二号").ok());
    QList<Amendment> rows;
    QVERIFY(readAmendments(db(), "O'Brien二号", rows).ok());
    QCOMPARE(rows.size(), 1);
    QVERIFY(readAmendments(db(), "O'Brien膳食", rows).ok());
    QCOMPARE(rows.size(), 0);

    QList<NameListEntry> all;
    QVERIFY(kinds.entries(all).ok());
    NameListEntry renamed;
    for (const auto &e : all)
        if (e.name == "O'Brien二号")
            renamed = e;
    const NameListResult refused = kinds.remove(renamed);
    QCOMPARE(refused.status, Status::Refused);
    QCOMPARE(refused.message, QStringLiteral("请务必清空该类别下的种类!"));
    QVERIFY(readAmendments(db(), "O'Brien二号", rows).ok());
    QVERIFY(deleteAmendment(db(), rows[0]).ok());
    QVERIFY(kinds.remove(renamed).ok());
    QStringList left;
    QVERIFY(readAmendmentKinds(db(), left).ok());
    QVERIFY(!left.contains("O'Brien二号"));
}

void DRIsWindowsTest::amendmentWindowAddsAndRefuses()
{
    TestEnv env;
    ScriptedPrompt prompts;
    TDRIsAmend w;
    w.show();
    auto *kind = child<QComboBox>(&w, "IllKind_Cmb");
    auto *fir = child<QComboBox>(&w, "AgeFir_cmb");
    auto *last = child<QComboBox>(&w, "AgeLast_cmb");
    QCOMPARE(kind->currentText(), QStringLiteral("ALL"));
    QCOMPARE(last->count(), 19);
    QCOMPARE(last->currentText(), QStringLiteral("0.5"));
    const int all = w.amendments().size();

    fir->setCurrentText("80");
    emit fir->activated(fir->currentIndex());
    QCOMPARE(last->count(), 1);
    QCOMPARE(last->currentText(), QStringLiteral("99"));

    child<QPushButton>(&w, "Add_Btn")->click();
    QCOMPARE(prompts.lastText(), QStringLiteral("请正确选择膳食种类!"));
    QCOMPARE(prompts.messages.last().title, QStringLiteral("警告"));

    kind->setCurrentText("低脂膳食");
    emit kind->activated(kind->currentIndex());
    const int ofKind = w.amendments().size();
    QVERIFY(ofKind < all);
    child<QComboBox>(&w, "Element_Cmb")->setCurrentText(requirementElement(24));
    child<QLineEdit>(&w, "EAR_Edt")->setText("1");
    child<QLineEdit>(&w, "RNI_Edt")->setText("2");
    child<QLineEdit>(&w, "UL_Edt")->setText("2");
    child<QPushButton>(&w, "Add_Btn")->click();
    QCOMPARE(prompts.lastText(), QStringLiteral("请正确填写参考标准值!"));
    child<QLineEdit>(&w, "UL_Edt")->setText("2.5");
    child<QPushButton>(&w, "Add_Btn")->click();
    QCOMPARE(prompts.lastText(), QStringLiteral("恭喜你,插入成功!"));
    QCOMPARE(prompts.messages.last().title, QStringLiteral("提示信息"));
    QVERIFY(child<QLineEdit>(&w, "RNI_Edt")->text().isEmpty());
    QCOMPARE(w.amendments().size(), ofKind + 1);
    child<QLineEdit>(&w, "EAR_Edt")->setText("1");
    child<QLineEdit>(&w, "RNI_Edt")->setText("2");
    child<QLineEdit>(&w, "UL_Edt")->setText("3");
    child<QPushButton>(&w, "Add_Btn")->click();
    QCOMPARE(prompts.lastText(), QStringLiteral("年龄阶段有重复!"));
    QCOMPARE(prompts.messages.last().icon, Prompt::Icon::Information);

    // Delete asks first; No keeps the row.
    auto *grid = child<DataGrid>(&w, "DBGridEh1");
    grid->selectRow(0);
    prompts.answers.enqueue(false);
    child<QPushButton>(&w, "Del_btn")->click();
    QCOMPARE(prompts.lastText(), QStringLiteral("确认删除？"));
    QCOMPARE(w.amendments().size(), ofKind + 1);
    grid->selectRow(0);
    prompts.answers.enqueue(true);
    child<QPushButton>(&w, "Del_btn")->click();
    QCOMPARE(w.amendments().size(), ofKind);

    // The change dialog stores decimals.
    grid->selectRow(0);
    const qint64 id = w.amendments()[0].rowId;
    onNextModal([](QWidget *d) {
        child<QLineEdit>(d, "NewRNI_edt")->setText("1.4");
        child<QLineEdit>(d, "NewEAR_edt")->setText("1.4");
        child<QLineEdit>(d, "NewUL_edt")->setText("9.75");
        child<QPushButton>(d, "Accept_btn")->click();
    });
    child<QPushButton>(&w, "Edit_Btn")->click();
    bool found = false;
    for (const auto &a : w.amendments()) {
        if (a.rowId == id) {
            found = true;
            QCOMPARE(a.rni.toDouble(), 1.4);
            QCOMPARE(a.ul.toDouble(), 9.75);
        }
    }
    QVERIFY(found);
}

QTEST_MAIN(DRIsWindowsTest)
#include "test_dris_windows.moc"
