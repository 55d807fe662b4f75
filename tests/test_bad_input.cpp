// Bad input in the fields of the windows, field by field: letters, two
// decimal points, a negative amount, 1e308 and a very long text in every
// numeric field; quotes, "%", "_", a backslash, emoji and 10,000 characters
// in every name. Each is either refused with a message that names the field,
// leaving the database and the files beside the program as they were, or
// stored and read back exactly. A NUL in a search text does not cut the
// search short.
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "app/SystemSetUnit.h"
#include "data/FunctionUnit.h"
#include "data/InputCheck.h"
#include "data/NameList.h"
#include "data/NumberFormat.h"
#include "data/Paths.h"
#include "data/SystemSettings.h"
#include "diners/CollectiveEditUnit.h"
#include "diners/CollectiveUnit.h"
#include "diners/DRIsAmendEditUnit.h"
#include "diners/DRIsAmendUnit.h"
#include "diners/DRIsStandUnit.h"
#include "diners/DRIsStandards.h"
#include "diners/DietKindList.h"
#include "diners/PersonalInfoUnit.h"
#include "diners/PersonalProfile.h"
#include "foods/Browser.h"
#include "foods/CategoryLists.h"
#include "foods/CookBookEditUnit.h"
#include "foods/CustomFoodInsertUnit.h"
#include "foods/CustomFoodUnit.h"
#include "foods/Dishes.h"
#include "foods/FoodMtlAddUnit.h"
#include "foods/FoodMtlEdtUnit.h"
#include "foods/RawFoods.h"
#include "planning/AnalyzeEditUnit.h"
#include "planning/AnalyzeInsertUnit.h"
#include "planning/CustomPantry.h"
#include "planning/CustomPantryFoodUnit.h"
#include "planning/IndividualUnit.h"
#include "planning/MealPlan.h"
#include "planning/PlanFile.h"
#include "planning/PlanFileCommands.h"
#include "data/Backup.h"
#include "planning/SurveyResult.h"
#include "widgets/DataGrid.h"
#include "widgets/NameListEditor.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QtTest>

using namespace nqb;

namespace {

enum class Kind {
    Amount, // a weight, a number of persons, a content: never negative
    Name,   // a name or a free text
};

// One field of a window and how the test reaches it.
struct Target {
    QString field; // the control's objectName (for grid cells: grid and column)
    Kind kind = Kind::Amount;
    QString label;      // what a refusal has to name
    QString valid;      // a good value for the field, stored as typed
    // Brings the rows the field works on into place before each case.
    std::function<void()> setup = [] {};
    // Puts text into the field and runs the window's command that stores it.
    std::function<void(const QString &text)> enter;
    // What the window stored for the field (nothing when nothing is found).
    std::function<std::optional<QString>()> stored;
    // The state a refusal must leave as it was.
    std::function<QByteArray()> state;
};

struct Case {
    const char *name;
    QString text;
};

const QList<Case> &numberCases()
{
    static const QList<Case> cases = {
        {"letters", QStringLiteral("abc")},
        {"two decimal points", QStringLiteral("1.2.3")},
        {"negative", QStringLiteral("-5")},
        {"1e308", QStringLiteral("1e308")},
        {"very long text", QString(10000, QLatin1Char('9'))},
    };
    return cases;
}

const QList<Case> &nameCases()
{
    static const QList<Case> cases = {
        {"quotes", QStringLiteral("Joe's \"特制\" 汤")},
        {"percent and underscore", QStringLiteral("100%_纯 a_b")},
        {"backslash", QStringLiteral("C:\\菜\\汤\\")},
        {"emoji", QStringLiteral("🍜面条😀")},
        {"10000 characters", QString(10000, QChar(u'菜'))},
    };
    return cases;
}

// A digest of the rows of the tables and, when files is set, of every file
// beside the program: what a refused input may not change.
QByteArray digest(const QStringList &tables, bool files = false)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (const QString &t : tables) {
        QSqlQuery q(db());
        if (!q.exec(QStringLiteral("SELECT * FROM ") + t + QStringLiteral(" ORDER BY rowid"))) {
            h.addData(QByteArray("<failed>"));
            continue;
        }
        const int n = q.record().count();
        while (q.next()) {
            for (int i = 0; i < n; ++i) {
                const QVariant v = q.value(i);
                h.addData(v.isNull() ? QByteArray("\1NULL") : v.toString().toUtf8());
                h.addData(QByteArray("\0", 1));
            }
        }
    }
    if (files) {
        QDirIterator it(programDir(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            h.addData(path.toUtf8());
            if (f.open(QIODevice::ReadOnly))
                h.addData(f.readAll());
        }
    }
    return h.result();
}

QByteArray rowDigest(const QString &sql, const QVariantList &binds)
{
    QSqlQuery q(db());
    q.prepare(sql);
    for (const QVariant &v : binds)
        q.addBindValue(v);
    if (!q.exec())
        return "<failed>";
    QByteArray out;
    while (q.next()) {
        for (int i = 0; i < q.record().count(); ++i)
            out += q.value(i).isNull() ? QByteArray("\1NULL") : q.value(i).toString().toUtf8() + '\0';
    }
    return QCryptographicHash::hash(out, QCryptographicHash::Sha256);
}

std::optional<QString> scalar(const QString &sql, const QVariantList &binds)
{
    QSqlQuery q(db());
    q.prepare(sql);
    for (const QVariant &v : binds)
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        return std::nullopt;
    const QVariant v = q.value(0);
    if (v.isNull())
        return QString();
    return isNumberValue(v) ? fmtG(v.toDouble()) : v.toString();
}

void setCell(DataGrid *grid, int sourceRow, const QString &column, const QString &text)
{
    QAbstractItemModel *m = grid->sourceModel();
    m->setData(m->index(sourceRow, grid->column(column)), text, Qt::EditRole);
}

QString shortText(const QString &t)
{
    return t.size() > 30 ? t.left(30) + QStringLiteral("…(%1)").arg(t.size()) : t;
}

// Totals over the whole run, for the report at the end.
struct Tally {
    int windows = 0;
    int fields = 0;
    int cases = 0;
    int refused = 0;
    int stored = 0;
    QStringList failures;
};
Tally g_tally;

// Runs every case of its kind, and the good value, through each target of a window.
void runTargets(const QString &window, ScriptedPrompt &prompts, const QList<Target> &targets)
{
    ++g_tally.windows;
    qInfo("%s: %d fields", qPrintable(window), int(targets.size()));
    for (const Target &t : targets) {
        ++g_tally.fields;
        QList<Case> cases = t.kind == Kind::Name ? nameCases() : numberCases();
        if (!t.valid.isEmpty())
            cases.prepend({"good value", t.valid});
        for (const Case &c : cases) {
            ++g_tally.cases;
            const QString where = QStringLiteral("%1 %2 [%3]").arg(window, t.field, QString::fromLatin1(c.name));
            t.setup();
            const QByteArray before = t.state();
            prompts.clear();
            prompts.answers.clear();
            t.enter(c.text);
            // A refusal is a warning or an error (some are notices titled "警告").
            const bool refused = std::any_of(prompts.messages.begin(), prompts.messages.end(), [](const auto &m) {
                return m.icon == Prompt::Icon::Warning || m.icon == Prompt::Icon::Error
                       || m.title == QStringLiteral("警告");
            });
            const bool good = QLatin1String(c.name) == QLatin1String("good value");
            QString fault;
            if (refused) {
                ++g_tally.refused;
                const QString text = prompts.messages.last().text;
                if (good)
                    fault = QStringLiteral("a good value is refused: %1").arg(text);
                else if (!text.contains(t.label))
                    fault = QStringLiteral("the message does not name “%1”: %2").arg(t.label, shortText(text));
                else if (text.size() > 300)
                    fault = QStringLiteral("the message quotes the whole text (%1 characters)").arg(text.size());
                else if (t.state() != before)
                    fault = QStringLiteral("refused, but something was changed");
            } else {
                ++g_tally.stored;
                const std::optional<QString> s = t.stored();
                if (!s)
                    fault = QStringLiteral("no message, and nothing stored");
                else if (t.kind == Kind::Name && *s != c.text)
                    fault = QStringLiteral("stored as “%1” (%2 characters)").arg(shortText(*s)).arg(s->size());
                else if (t.kind == Kind::Amount && !good)
                    fault = QStringLiteral("accepted and stored as “%1”").arg(shortText(*s));
                else if (t.kind == Kind::Amount && parseNumber(*s) != parseNumber(c.text))
                    fault = QStringLiteral("stored as “%1”").arg(shortText(*s));
            }
            if (!fault.isEmpty())
                g_tally.failures << where + QStringLiteral(": ") + fault;
        }
    }
}

QString rawFoodName()
{
    return scalar(QStringLiteral("SELECT FoodName FROM Nutri_tb WHERE Code = '01-1-101'"), {}).value_or(QString());
}

} // namespace

class BadInputTest : public QObject
{
    Q_OBJECT
private slots:
    void individualProfile();
    void groupProfile();
    void planWeights();
    void quantifiedMenuAndSurvey();
    void rawFoodEditor();
    void dishEditor();
    void standardsAndAmendments();
    void nameLists();
    void settings();
    void fileNames();
    void nulInSearchTexts();
    void quotedTexts();
    void report();
};

void BadInputTest::individualProfile()
{
    TestEnv env;
    ScriptedPrompt prompts;
    QList<Target> targets;
    for (const auto &[field, label, valid] : {std::tuple{"High_edt", "身高", "172"}, std::tuple{"Weight_edt", "体重", "66.5"}}) {
        Target t;
        t.field = QString::fromLatin1(field);
        t.label = QString::fromUtf8(label);
        t.valid = QString::fromLatin1(valid);
        t.enter = [f = t.field](const QString &text) {
            TPersonalInfo w(testRunState());
            w.show();
            w.findChild<QLineEdit *>(f)->setText(text);
            w.findChild<QPushButton *>(QStringLiteral("Accept_btn"))->click();
        };
        t.stored = [f = t.field]() -> std::optional<QString> {
            PersonalProfileData p;
            RequirementMatrix m;
            if (!readPersonalProfile(personalProfilePath(), p, m))
                return std::nullopt;
            return f == QLatin1String("High_edt") ? p.height : p.weight;
        };
        t.state = [] { return digest({QStringLiteral("DRIs_tmp")}, true); };
        targets << t;
    }
    runTargets(QStringLiteral("TPersonalInfo"), prompts, targets);
}

void BadInputTest::groupProfile()
{
    TestEnv env;
    ScriptedPrompt prompts;
    Target add;
    add.field = QStringLiteral("TotalPerson_edt");
    add.label = QStringLiteral("进餐人数");
    add.valid = QStringLiteral("12");
    add.setup = [] { QSqlQuery(db()).exec(QStringLiteral("DELETE FROM DinerPerson_tmp")); };
    add.enter = [](const QString &text) {
        TCollective w(testRunState());
        w.show();
        w.findChild<QLineEdit *>(QStringLiteral("TotalPerson_edt"))->setText(text);
        w.findChild<QPushButton *>(QStringLiteral("Add_btn"))->click();
    };
    add.stored = [] { return scalar(QStringLiteral("SELECT TOTALPERSON FROM DinerPerson_tmp"), {}); };
    add.state = [] { return digest({QStringLiteral("DinerPerson_tmp"), QStringLiteral("DRIs_tmp")}, true); };

    Target change;
    change.field = QStringLiteral("NewNum_edt");
    change.label = QStringLiteral("进餐人数");
    change.valid = QStringLiteral("30");
    auto result = std::make_shared<std::optional<int>>();
    change.enter = [result](const QString &text) {
        DinerGroupRow row;
        row.ageBand = QStringLiteral("18 ～ 50");
        row.sex = QStringLiteral("男");
        row.activity = QStringLiteral("轻体力活动");
        row.persons = 10;
        TCollectiveEdit d(row);
        d.show();
        d.findChild<QLineEdit *>(QStringLiteral("NewNum_edt"))->setText(text);
        d.findChild<QPushButton *>(QStringLiteral("Accept_btn"))->click();
        *result = d.result() == QDialog::Accepted ? std::optional<int>(d.newPersons()) : std::nullopt;
    };
    change.stored = [result]() -> std::optional<QString> {
        return *result ? std::optional<QString>(QString::number(**result)) : std::nullopt;
    };
    change.state = [] { return digest({QStringLiteral("DinerPerson_tmp")}); };
    runTargets(QStringLiteral("TCollective"), prompts, {add, change});
}

void BadInputTest::planWeights()
{
    TestEnv env;
    ScriptedPrompt prompts;
    const QString food = rawFoodName();
    QVERIFY(!food.isEmpty());
    auto entryWeight = [food]() {
        return scalar(QStringLiteral("SELECT WEIGHT FROM NQBNutri_tmp WHERE FOODNAME = ? AND WEEK = 'MON'"), {food});
    };

    Target add;
    add.field = QStringLiteral("Weight_edt");
    add.label = QStringLiteral("重量");
    add.valid = QStringLiteral("125.5");
    add.setup = [] { QSqlQuery(db()).exec(QStringLiteral("DELETE FROM NQBNutri_tmp")); };
    add.enter = [food](const QString &text) {
        TAnalyzeInsert d;
        TAnalyzeInsert::Request r;
        r.name = food;
        r.food = plan::lookupFoodByName(food, FoodKind::RawFood);
        r.weekday = QStringLiteral("MON");
        d.prepare(r);
        d.show();
        d.findChild<QLineEdit *>(QStringLiteral("Weight_edt"))->setText(text);
        d.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
    };
    add.stored = entryWeight;
    add.state = [] { return digest({QStringLiteral("NQBNutri_tmp")}); };

    Target change;
    change.field = QStringLiteral("NewWeight_edt");
    change.label = QStringLiteral("重量");
    change.valid = QStringLiteral("80");
    change.setup = [food] {
        QSqlQuery(db()).exec(QStringLiteral("DELETE FROM NQBNutri_tmp"));
        plan::addEntry(plan::lookupFoodByName(food, FoodKind::RawFood), QStringLiteral("MON"),
                       plan::MealSlot::Breakfast, QStringLiteral("100"));
    };
    change.enter = [food](const QString &text) {
        TAnalyzeEdit d({food, QStringLiteral("100"), QStringLiteral("MON"), QStringLiteral("早餐")});
        d.show();
        d.findChild<QLineEdit *>(QStringLiteral("NewWeight_edt"))->setText(text);
        d.findChild<QPushButton *>(QStringLiteral("Accept_btn"))->click();
    };
    change.stored = entryWeight;
    change.state = [food] {
        return rowDigest(QStringLiteral("SELECT * FROM NQBNutri_tmp WHERE FOODNAME = ?"), {food});
    };
    runTargets(QStringLiteral("TAnalyzeInsert/TAnalyzeEdit"), prompts, {add, change});
}

void BadInputTest::quantifiedMenuAndSurvey()
{
    TestEnv env;
    ScriptedPrompt prompts;
    const QString food = rawFoodName();

    Target pantry;
    pantry.field = QStringLiteral("DBGridEh1.WEIGHT");
    pantry.label = QStringLiteral("重量");
    pantry.valid = QStringLiteral("45");
    pantry.setup = [food] {
        QSqlQuery(db()).exec(QStringLiteral("DELETE FROM CustomPantry_tb"));
        QVERIFY(pantry::addItem(QStringLiteral("01-1-101"), food, QStringLiteral("早餐")).ok());
    };
    pantry.enter = [](const QString &text) {
        TCustomPantryFood w;
        w.show();
        auto *grid = w.findChild<DataGrid *>(QStringLiteral("DBGridEh1"));
        QCOMPARE(grid->rowCount(), 1);
        setCell(grid, 0, grid->fieldName(3), text);
    };
    pantry.stored = [] { return scalar(QStringLiteral("SELECT WEIGHT FROM CustomPantry_tb"), {}); };
    pantry.state = [] { return digest({QStringLiteral("CustomPantry_tb")}); };

    Target survey;
    survey.field = QStringLiteral("Reserch_Grid.WEIGHT");
    survey.label = QStringLiteral("重量");
    survey.valid = QStringLiteral("150");
    survey.setup = [food] {
        QSqlQuery(db()).exec(QStringLiteral("DELETE FROM NQBNutri_tmp"));
        QVERIFY(survey::addEntry(food, FoodKind::RawFood).ok());
    };
    survey.enter = [](const QString &text) {
        TIndividual w;
        w.show();
        auto *grid = w.findChild<DataGrid *>(QStringLiteral("Reserch_Grid"));
        QCOMPARE(grid->rowCount(), 1);
        setCell(grid, 0, QStringLiteral("WEIGHT"), text);
    };
    survey.stored = [food] {
        return scalar(QStringLiteral("SELECT WEIGHT FROM NQBNutri_tmp WHERE FOODNAME = ?"), {food});
    };
    survey.state = [] { return digest({QStringLiteral("NQBNutri_tmp")}); };
    runTargets(QStringLiteral("TCustomPantryFood/TIndividual"), prompts, {pantry, survey});
}

void BadInputTest::rawFoodEditor()
{
    TestEnv env;
    ScriptedPrompt prompts;
    const QString food = rawFoodName();
    TCustomFood w;
    w.show();
    w.chooseFood(food);
    QVERIFY(w.currentFood());
    const QString code = w.currentFood()->code;
    auto *pagesTab = w.findChild<QTabWidget *>(QStringLiteral("PageControl"));
    QCOMPARE(pagesTab->count(), 6);
    QList<Target> targets;
    for (int p = 0; p < rawfood::pages().size(); ++p) {
        const rawfood::Page &page = rawfood::pages().at(p);
        for (const rawfood::Field &fl : page.fields) {
            Target t;
            QString label = fl.label;
            label.remove(QLatin1Char('|'));
            label.remove(QStringLiteral("："));
            t.label = label;
            const bool text = fl.unit == rawfood::Unit::Text;
            t.kind = text ? Kind::Name : Kind::Amount;
            QWidget *edit = text ? (fl.column == QLatin1String("ProducingArea")
                                        ? static_cast<QWidget *>(w.findChild<QLineEdit *>(QStringLiteral("DBEditEh100")))
                                        : w.findChild<QPlainTextEdit *>(QStringLiteral("DBMemo1")))
                                 : w.findChild<QLineEdit *>(fl.column + QStringLiteral("_edt"));
            QVERIFY2(edit, qPrintable(fl.column));
            t.field = edit->objectName();
            t.valid = text ? QString() : QStringLiteral("1.5");
            t.enter = [&w, pagesTab, p, edit, food](const QString &value) {
                pagesTab->setCurrentIndex(p);
                w.chooseFood(food);
                if (auto *line = qobject_cast<QLineEdit *>(edit))
                    line->setText(value);
                else
                    static_cast<QPlainTextEdit *>(edit)->setPlainText(value);
                w.confirm();
            };
            t.stored = [page, fl, food]() -> std::optional<QString> {
                const auto row = rawfood::loadRow(page, food);
                if (!row)
                    return std::nullopt;
                const QVariant v = row->value(fl.column);
                return v.isNull() ? QString() : isNumberValue(v) ? fmtG(v.toDouble()) : v.toString();
            };
            t.state = [table = page.table, code] {
                return rowDigest(QStringLiteral("SELECT * FROM %1 WHERE Code = ?").arg(table), {code});
            };
            targets << t;
        }
    }
    QVERIFY(targets.size() > 100);
    runTargets(QStringLiteral("TCustomFood"), prompts, targets);

    // A new raw food's name.
    Target name;
    name.field = QStringLiteral("FoodName_edt");
    name.kind = Kind::Name;
    name.label = QStringLiteral("食物名称");
    auto typed = std::make_shared<QString>();
    name.enter = [typed](const QString &text) {
        *typed = text;
        TCustomFoodInsert d;
        d.show();
        auto *kind = d.findChild<QComboBox *>(QStringLiteral("ComboBox1"));
        if (kind->count() == 0)
            return;
        kind->setCurrentIndex(0);
        d.findChild<QLineEdit *>(QStringLiteral("FoodName_edt"))->setText(text);
        d.findChild<QLineEdit *>(QStringLiteral("PYJM_edt"))->setText(QStringLiteral("XM"));
        d.findChild<QPushButton *>(QStringLiteral("Add_btn"))->click();
    };
    name.stored = [typed] {
        return scalar(QStringLiteral("SELECT FoodName FROM Nutri_tb WHERE FoodName = ?"), {*typed});
    };
    name.state = [] { return digest({QStringLiteral("Nutri_tb")}); };
    // The new food needs a sub-group of group 22 to go to.
    NameList groups(foodSubGroupList());
    QVERIFY(groups.add(QStringLiteral("自制食品")).ok());
    runTargets(QStringLiteral("TCustomFoodInsert"), prompts, {name});
}

void BadInputTest::dishEditor()
{
    TestEnv env;
    ScriptedPrompt prompts;
    const QString food = rawFoodName();
    auto prepareIngredients = [food] {
        QVERIFY(dish::clearWorkTable().ok());
        QVERIFY(dish::addIngredient(food, QStringLiteral("100")).ok());
    };
    auto typed = std::make_shared<QString>();
    auto saveWith = [typed](const QString &name, const QString &edible) {
        TCookBookEdit w(TCookBookEdit::Input{});
        w.show();
        w.refreshGrid();
        w.findChild<QLineEdit *>(QStringLiteral("CateName_edt"))->setText(name);
        w.findChild<QLineEdit *>(QStringLiteral("PYJM_edt"))->setText(QStringLiteral("CS"));
        w.findChild<QLineEdit *>(QStringLiteral("Edible_edt"))->setText(edible);
        w.findChild<QComboBox *>(QStringLiteral("CateKind_cmb"))->setCurrentIndex(0);
        Prompt::current(); // answers: "继续添加？" yes, so the window stays as it is
        static_cast<ScriptedPrompt &>(Prompt::current()).answers.enqueue(true);
        w.findChild<QPushButton *>(QStringLiteral("AddCate_btn"))->click();
        *typed = w.savedId();
    };
    const QStringList dishTables = {QStringLiteral("CateNutri_tb"), QStringLiteral("CateComponent_tb")};

    Target name;
    name.field = QStringLiteral("CateName_edt");
    name.kind = Kind::Name;
    name.label = QStringLiteral("菜肴名称");
    name.setup = prepareIngredients;
    name.enter = [saveWith](const QString &text) { saveWith(text, QStringLiteral("100")); };
    name.stored = [typed] {
        return scalar(QStringLiteral("SELECT FOODNAME FROM CateNutri_tb WHERE FOODID = ?"), {*typed});
    };
    name.state = [dishTables] { return digest(dishTables); };

    Target edible;
    edible.field = QStringLiteral("Edible_edt");
    edible.label = QStringLiteral("食部");
    edible.valid = QStringLiteral("85");
    auto count = std::make_shared<int>(0);
    edible.setup = prepareIngredients;
    edible.enter = [saveWith, count](const QString &text) {
        saveWith(QStringLiteral("食部测试菜%1").arg(++*count), text);
    };
    edible.stored = [typed] { return scalar(QStringLiteral("SELECT EDIBLE FROM CateNutri_tb WHERE FOODID = ?"), {*typed}); };
    edible.state = [dishTables] { return digest(dishTables); };

    // The ingredient dialogs.
    Target add;
    add.field = QStringLiteral("TFoodMtlAdd.Weight_edt");
    add.label = QStringLiteral("重量");
    add.valid = QStringLiteral("60");
    add.setup = [] { QVERIFY(dish::clearWorkTable().ok()); };
    add.enter = [food](const QString &text) {
        TFoodMtlAdd d(food);
        d.show();
        d.findChild<QLineEdit *>(QStringLiteral("Weight_edt"))->setText(text);
        d.findChild<QPushButton *>(QStringLiteral("Add_btn"))->click();
    };
    add.stored = [food] {
        return scalar(QStringLiteral("SELECT WEIGHT FROM CateNutriSum_tmp WHERE FOODNAME = ?"), {food});
    };
    add.state = [] { return digest({QStringLiteral("CateNutriSum_tmp")}); };

    Target change;
    change.field = QStringLiteral("TFoodMtlEdt.NewWeight_edt");
    change.label = QStringLiteral("重量");
    change.valid = QStringLiteral("70");
    change.setup = prepareIngredients;
    change.enter = [food](const QString &text) {
        TFoodMtlEdt d({food, QStringLiteral("100")});
        d.show();
        d.findChild<QLineEdit *>(QStringLiteral("NewWeight_edt"))->setText(text);
        d.findChild<QPushButton *>(QStringLiteral("Accept_btn"))->click();
    };
    change.stored = add.stored;
    change.state = add.state;
    runTargets(QStringLiteral("TCookBookEdit"), prompts, {name, edible, add, change});
}

void BadInputTest::standardsAndAmendments()
{
    TestEnv env;
    ScriptedPrompt prompts;
    {
        TDRIsStand w;
        w.show();
        auto *grid = w.findChild<DataGrid *>(QStringLiteral("DBGridEh1"));
        auto *model = qobject_cast<QStandardItemModel *>(grid->sourceModel());
        QVERIFY(model && model->rowCount() > 1);
        const QStringList cols = standardValueColumns();
        const QStringList titles = standardValueTitles();
        QList<Target> targets;
        for (int i = 0; i < cols.size(); ++i) {
            Target t;
            t.field = QStringLiteral("DBGridEh1.") + cols[i];
            t.label = QString(titles.value(i)).remove(QLatin1Char('|'));
            const int column = i + 1; // the age text comes first
            // The value the row holds: a good value that keeps the row's order of EAR, RNI and UL.
            const StandardRow &first = w.rows().first();
            t.valid = first.values.value(i);
            const QVariant rowId = first.rowId;
            t.enter = [&w, model, column](const QString &text) {
                model->item(0, column)->setData(text, Qt::EditRole);
                w.commitPendingRow();
                w.RefreshStandards(); // a refused row is given up
            };
            t.stored = [col = cols[i], rowId] {
                return scalar(QStringLiteral("SELECT %1 FROM DRIsStand_tb WHERE rowid = ?").arg(col), {rowId});
            };
            t.state = [] { return digest({QStringLiteral("DRIsStand_tb")}); };
            if (!t.valid.isEmpty())
                targets << t;
        }
        QVERIFY(targets.size() > 20);
        runTargets(QStringLiteral("TDRIsStand"), prompts, targets);
    }

    // The amendments: a new one, then a change of one.
    QList<Target> targets;
    const QStringList fields = {QStringLiteral("EAR_Edt"), QStringLiteral("RNI_Edt"), QStringLiteral("UL_Edt"),
                                QStringLiteral("ReMark_Edt")};
    const QStringList good = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("30"), QString()};
    for (int i = 0; i < fields.size(); ++i) {
        Target t;
        t.field = fields[i];
        t.kind = i == 3 ? Kind::Name : Kind::Amount;
        t.label = i == 3 ? QString() : fields[i].left(fields[i].indexOf('_')).replace("Edt", "");
        t.valid = i == 3 ? QString() : (i == 2 ? QStringLiteral("40") : QStringLiteral("1.5"));
        t.setup = [] { QSqlQuery(db()).exec(QStringLiteral("DELETE FROM DRIsIll_tb")); };
        t.enter = [fields, good, i](const QString &text) {
            TDRIsAmend w;
            w.show();
            auto *kind = w.findChild<QComboBox *>(QStringLiteral("IllKind_Cmb"));
            QVERIFY(kind->count() > 1);
            kind->setCurrentIndex(1);
            w.findChild<QComboBox *>(QStringLiteral("Element_Cmb"))->setCurrentIndex(3);
            for (int k = 0; k < fields.size(); ++k)
                w.findChild<QLineEdit *>(fields[k])->setText(k == i ? text : good[k]);
            w.findChild<QPushButton *>(QStringLiteral("Add_Btn"))->click();
        };
        const QStringList columns = {QStringLiteral("EAR"), QStringLiteral("RNI"), QStringLiteral("UL"),
                                     QStringLiteral("REMARK")};
        t.stored = [col = columns[i]] { return scalar(QStringLiteral("SELECT %1 FROM DRIsIll_tb").arg(col), {}); };
        t.state = [] { return digest({QStringLiteral("DRIsIll_tb")}); };
        targets << t;
    }
    const QStringList editFields = {QStringLiteral("NewEAR_edt"), QStringLiteral("NewRNI_edt"),
                                    QStringLiteral("NewUL_edt"), QStringLiteral("ReMark_edt")};
    for (int i = 0; i < editFields.size(); ++i) {
        Target t;
        t.field = QStringLiteral("TDRIsAmendEdit.") + editFields[i];
        t.kind = i == 3 ? Kind::Name : Kind::Amount;
        t.label = QStringList{"EAR", "RNI", "UL", ""}[i];
        t.valid = QStringList{"1.5", "2.5", "50", ""}[i];
        auto amendment = std::make_shared<Amendment>();
        t.setup = [good, amendment] {
            QSqlQuery q(db());
            q.exec(QStringLiteral("DELETE FROM DRIsIll_tb"));
            AmendmentInput in;
            QStringList kinds;
            QVERIFY(readAmendmentKinds(db(), kinds).ok() && !kinds.isEmpty());
            in.kind = kinds.first();
            in.lower = QStringLiteral("18");
            in.upper = QStringLiteral("50");
            in.sex = QStringLiteral("男");
            in.element = requirementElement(3);
            in.ear = good[0];
            in.rni = good[1];
            in.ul = good[2];
            QVERIFY2(addAmendment(db(), in).ok(), "amendment");
            QList<Amendment> all;
            QVERIFY(readAmendments(db(), allKindsFilter(), all).ok() && all.size() == 1);
            *amendment = all.first();
        };
        t.enter = [editFields, good, i, amendment](const QString &text) {
            TDRIsAmendEdit d(*amendment);
            d.show();
            for (int k = 0; k < editFields.size(); ++k)
                d.findChild<QLineEdit *>(editFields[k])->setText(k == i ? text : good[k]);
            d.findChild<QPushButton *>(QStringLiteral("Accept_btn"))->click();
        };
        const QStringList columns = {QStringLiteral("EAR"), QStringLiteral("RNI"), QStringLiteral("UL"),
                                     QStringLiteral("REMARK")};
        t.stored = [col = columns[i]] { return scalar(QStringLiteral("SELECT %1 FROM DRIsIll_tb").arg(col), {}); };
        t.state = [] { return rowDigest(QStringLiteral("SELECT EAR, RNI, UL, REMARK FROM DRIsIll_tb"), {}); };
        targets << t;
    }
    runTargets(QStringLiteral("TDRIsAmend/TDRIsAmendEdit"), prompts, targets);
}

void BadInputTest::nameLists()
{
    TestEnv env;
    ScriptedPrompt prompts;
    const QList<std::pair<QString, NameListDescription>> lists = {
        {QStringLiteral("raw food categories"), foodSubGroupList()},
        {QStringLiteral("dish categories"), dishCategoryList()},
        {QStringLiteral("diet kinds"), dietKindList()},
    };
    for (const auto &[what, description] : lists) {
        Target t;
        t.field = description.controls.nameEdit;
        t.kind = Kind::Name;
        QString label = description.texts.nameLabel.trimmed();
        label.remove(QStringLiteral("："));
        t.label = label.isEmpty() ? QStringLiteral("名称") : label;
        auto typed = std::make_shared<QString>();
        t.enter = [d = description, typed](const QString &text) {
            *typed = text;
            NameListEditor w(d);
            w.show();
            w.findChild<QLineEdit *>(d.controls.nameEdit)->setText(text);
            w.findChild<QPushButton *>(d.controls.addButton)->click();
        };
        t.stored = [d = description, typed]() -> std::optional<QString> {
            NameList list(d);
            QList<NameListEntry> entries;
            if (!list.entries(entries).ok())
                return std::nullopt;
            for (const NameListEntry &e : entries) {
                if (e.name == *typed)
                    return e.name;
            }
            return std::nullopt;
        };
        t.state = [d = description] { return digest({d.table}); };
        runTargets(QStringLiteral("NameListEditor (%1)").arg(what), prompts, {t});
    }
}

void BadInputTest::settings()
{
    TestEnv env;
    ScriptedPrompt prompts;
    QList<Target> targets;
    for (const char *field : {"Cmp_edt", "Tel_edt"}) {
        Target t;
        t.field = QString::fromLatin1(field);
        t.kind = Kind::Name;
        t.label = t.field == QLatin1String("Cmp_edt") ? QStringLiteral("单位") : QStringLiteral("电话");
        t.enter = [f = t.field](const QString &text) {
            TSystemSet w;
            w.show();
            w.findChild<QLineEdit *>(f)->setText(text);
            w.findChild<QPushButton *>(QStringLiteral("Accept_btn"))->click();
        };
        t.stored = [f = t.field]() -> std::optional<QString> {
            const SystemSettings s = readSystemSettings();
            return f == QLatin1String("Cmp_edt") ? s.company : s.tel;
        };
        t.state = [] { return digest({}, true); };
        targets << t;
    }
    runTargets(QStringLiteral("TSystemSet"), prompts, targets);
}

void BadInputTest::fileNames()
{
    // A plan saved through the workbench's command under a file name with
    // quotes, "%", "_", a backslash and emoji is read back entry for entry;
    // a name too long for the file system is refused with a message and
    // leaves nothing behind. The same for a backup.
    TestEnv env;
    ScriptedPrompt prompts;
    const QString food = rawFoodName();
    QVERIFY(plan::addEntry(plan::lookupFoodByName(food, FoodKind::RawFood), QStringLiteral("MON"),
                           plan::MealSlot::Breakfast, QStringLiteral("123.5"))
                .ok());
    const QString dir = env.workingDir() + QStringLiteral("/plans");
    QVERIFY(QDir().mkpath(dir));
    const QStringList percentages(7, QStringLiteral("100"));
    ++g_tally.windows;
    g_tally.fields += 2;
    for (const Case &c : nameCases()) {
        ++g_tally.cases;
        const QString path = dir + QLatin1Char('/') + c.text + QStringLiteral(".pan");
        prompts.clear();
        prompts.files.enqueue(path);
        const bool saved = SavePlanCommand(nullptr, percentages, true);
        const QString where = QStringLiteral("plan file [%1]").arg(QString::fromLatin1(c.name));
        if (!saved) {
            ++g_tally.refused;
            if (prompts.messages.isEmpty())
                g_tally.failures << where + QStringLiteral(": not saved, and nothing said");
            if (!QDir(dir).entryList(QDir::Files | QDir::Hidden).isEmpty())
                g_tally.failures << where + QStringLiteral(": a refused save left ") +
                                        QDir(dir).entryList(QDir::Files | QDir::Hidden).join(',');
            continue;
        }
        ++g_tally.stored;
        QVERIFY2(QFileInfo::exists(path), qPrintable(where));
        QVERIFY2(QFileInfo::exists(planfile::profileCopyPath(path, true)), qPrintable(where));
        QSqlQuery(db()).exec(QStringLiteral("DELETE FROM NQBNutri_tmp"));
        const plan::PlanResult loaded = planfile::loadPlan(path, 1);
        QVERIFY2(loaded.ok(), qPrintable(where + loaded.message));
        QCOMPARE(scalar(QStringLiteral("SELECT WEIGHT FROM NQBNutri_tmp WHERE FOODNAME = ?"), {food}),
                 std::optional<QString>(QStringLiteral("123.5")));
        QFile::remove(path);
        QFile::remove(planfile::profileCopyPath(path, true));
    }
    for (const Case &c : nameCases()) {
        ++g_tally.cases;
        const QString path = dir + QLatin1Char('/') + c.text + QStringLiteral(".bak");
        const backup::Result r = backup::writeBackup(db(), path);
        const QString where = QStringLiteral("backup file [%1]").arg(QString::fromLatin1(c.name));
        if (!r.ok) {
            ++g_tally.refused;
            if (r.message.isEmpty())
                g_tally.failures << where + QStringLiteral(": not written, and nothing said");
            if (!QDir(dir).entryList(QDir::Files | QDir::Hidden).isEmpty())
                g_tally.failures << where + QStringLiteral(": a refused backup left ") +
                                        QDir(dir).entryList(QDir::Files | QDir::Hidden).join(',');
            continue;
        }
        ++g_tally.stored;
        QVERIFY2(backup::checkBackup(path).ok, qPrintable(where));
        QFile::remove(path);
    }
}

void BadInputTest::nulInSearchTexts()
{
    TestEnv env;
    // A food whose name ends in the letter before the NUL, and none holding the text after it.
    QSqlQuery q(db());
    QVERIFY(q.exec(QStringLiteral("UPDATE Nutri_tb SET FoodName = '测试甲' WHERE Code = '01-1-101'")));
    const QString text = QStringLiteral("甲") + QChar(u'\0') + QStringLiteral("不存在");
    QString error;
    QCOMPARE(SearchIds(FoodKind::RawFood, text, &error), QStringList());
    QVERIFY(error.isEmpty());
    // Stripped, the rest still finds what it names.
    QCOMPARE(SearchIds(FoodKind::RawFood, QStringLiteral("测试") + QChar(u'\0') + QStringLiteral("甲"), &error),
             QStringList{QStringLiteral("01-1-101")});

    browser::Filter f;
    QVERIFY(browser::searchFilter(text, &f));
    const browser::Statement st = browser::pageStatement(browser::Page::Nutrient, f);
    QSqlQuery b(db());
    QVERIFY(b.prepare(st.sql));
    for (const QVariant &v : st.binds)
        b.addBindValue(v);
    QVERIFY(b.exec());
    const bool found = b.next();
    QVERIFY2(!found, found ? qPrintable(b.value(QStringLiteral("FoodName")).toString()) : "");

    QVERIFY(SearchFood(QStringLiteral("Nutri_tb"), text, &error));
    QVERIFY(!DM()->AQSearchFood().next());
}

void BadInputTest::quotedTexts()
{
    // What messages quote of a typed text: long texts cut with their length,
    // control characters shown, emoji kept whole.
    QCOMPARE(input::quoted(QStringLiteral("abc")), QStringLiteral("abc"));
    const QString longText = input::quoted(QString(10000, QLatin1Char('9')));
    QVERIFY(longText.size() < 80);
    QVERIFY(longText.contains(QStringLiteral("10000")));
    QCOMPARE(input::quoted(QStringLiteral("a\nb")), QStringLiteral("a?b"));
    const QString emoji = QString(39, QLatin1Char('x')) + QStringLiteral("😀😀");
    QVERIFY(input::quoted(emoji).contains(QStringLiteral("😀")));
    QVERIFY(!input::quoted(emoji).contains(QChar(0xd83d) + QStringLiteral("…")));
    QCOMPARE(input::characterCount(QStringLiteral("🍜面条😀")), 4);

    // Numbers: range, whole numbers, blanks.
    double v = -1;
    QString message;
    QVERIFY(input::readNumber(QStringLiteral("重量"), QStringLiteral(" 12.5 "), 0, 100, &v, &message));
    QCOMPARE(v, 12.5);
    QVERIFY(input::readNumber(QStringLiteral("重量"), QStringLiteral(""), 0, 100, &v, &message));
    QCOMPARE(v, 0.0);
    QVERIFY(!input::readNumber(QStringLiteral("重量"), QStringLiteral("1e309"), 0, 1e9, &v, &message));
    QVERIFY(message.contains(QStringLiteral("重量")));
    QVERIFY(!input::readNumber(QStringLiteral("重量"), QStringLiteral("100.5"), 0, 100, &v, &message));
    QVERIFY(message.contains(QStringLiteral("100")));
    int n = 0;
    QVERIFY(!input::readWhole(QStringLiteral("人数"), QStringLiteral("1.5"), 0, 10, &n, &message));
    QVERIFY(!input::readWhole(QStringLiteral("人数"), QStringLiteral("1e3"), 0, 10000, &n, &message));
    QVERIFY(input::readWhole(QStringLiteral("人数"), QStringLiteral("7"), 0, 10, &n, &message));
    QCOMPARE(n, 7);

    // Names: length in characters, control characters, lone surrogates.
    QVERIFY(input::checkName(QStringLiteral("名称"), QString(100, QChar(u'菜'))).isEmpty());
    QVERIFY(input::checkName(QStringLiteral("名称"), QString(101, QChar(u'菜'))).contains(QStringLiteral("名称")));
    QVERIFY(!input::checkName(QStringLiteral("名称"), QStringLiteral("a\tb")).isEmpty());
    QVERIFY(!input::checkName(QStringLiteral("名称"), QStringLiteral("a") + QChar(0xd800) + QStringLiteral("b")).isEmpty());
    QVERIFY(input::checkName(QStringLiteral("名称"), QStringLiteral("🍜") .repeated(100)).isEmpty());
}

void BadInputTest::report()
{
    qInfo("bad input: %d groups of fields, %d fields, %d cases (%d refused, %d stored), %d failures", g_tally.windows,
          g_tally.fields, g_tally.cases, g_tally.refused, g_tally.stored, int(g_tally.failures.size()));
    for (const QString &f : g_tally.failures)
        qWarning("%s", qPrintable(f));
    QVERIFY(g_tally.fields > 0);
    QCOMPARE(g_tally.failures.size(), 0);
}

QTEST_MAIN(BadInputTest)
#include "test_bad_input.moc"
