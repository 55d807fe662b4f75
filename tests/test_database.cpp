#include "TestEnv.h"
#include "data/NutrientBlocks.h"
#include "data/FunctionUnit.h"
#include "data/Schema.h"
#include "foods/CompositionRows.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

class DatabaseTest : public QObject
{
    Q_OBJECT
private slots:
    void createsFileWithBlocksInOrder();
    void searchesReadTheirIndexInTableOrder();
};

void DatabaseTest::createsFileWithBlocksInOrder()
{
    TestEnv env(false);
    TDM *dm = env.openDataModule();
    QVERIFY2(dm->isOpen(), qPrintable(dm->openError()));
    QVERIFY(!dm->creationNotice().isEmpty());
    QSqlQuery q(nqb::db());
    QVERIFY(q.exec("SELECT * FROM NQBNutri_tmp"));
    const QSqlRecord r = q.record();
    QCOMPARE(r.count(), 7 + nqb::kCompositionCount);
    for (int i = 0; i < nqb::kCompositionCount; ++i)
        QCOMPARE(r.fieldName(7 + i), nqb::compositionColumns()[i]);
}

namespace {
QStringList column(const QString &sql, const QVariantList &binds = {})
{
    QSqlQuery q(nqb::db());
    q.prepare(sql);
    for (const QVariant &b : binds)
        q.addBindValue(b);
    QStringList out;
    if (q.exec())
        while (q.next())
            out << q.value(0).toString();
    return out;
}

QStringList searchIndexes()
{
    return column(QStringLiteral("SELECT name FROM sqlite_master WHERE type='index' AND name LIKE '%\\_search' "
                                 "ESCAPE '\\' ORDER BY name"));
}
} // namespace

// A search reads the index of names and initials, whose order is not the
// table's; what it gives is still in table order, and a database made before
// the indexes existed gets them when it is opened.
void DatabaseTest::searchesReadTheirIndexInTableOrder()
{
    TestEnv env;
    const QStringList indexes = searchIndexes();
    QCOMPARE(indexes.size(), nqb::searchIndexStatements().size());
    QVERIFY(indexes.contains(QStringLiteral("Nutri_tb_search")));

    QSqlQuery q(nqb::db());
    QVERIFY(q.exec(QStringLiteral("EXPLAIN QUERY PLAN SELECT rowid, Code FROM Nutri_tb WHERE FoodName LIKE '%米%' "
                                  "ESCAPE '\\' OR PYJM LIKE '%米%' ESCAPE '\\'")));
    QString plan;
    while (q.next())
        plan += q.value(3).toString();
    QVERIFY2(plan.contains(QStringLiteral("Nutri_tb_search")), qPrintable(plan));

    auto checkOrders = [] {
        for (const QString &text : {QStringLiteral("米"), QStringLiteral("JD"), QStringLiteral("肉"), QStringLiteral("")}) {
            const QString pattern = QStringLiteral("%") + text + QStringLiteral("%");
            const QStringList byTable = column(
                QStringLiteral("SELECT Code FROM Nutri_tb WHERE FoodName LIKE ? OR PYJM LIKE ? ORDER BY rowid"),
                {pattern, pattern});
            QVERIFY(byTable.size() > 5);
            QCOMPARE(nqb::SearchIds(nqb::FoodKind::RawFood, text), byTable);
            const QStringList dishes = column(
                QStringLiteral("SELECT FOODID FROM CateNutri_tb WHERE FoodName LIKE ? OR PYJM LIKE ? ORDER BY rowid"),
                {pattern, pattern});
            QCOMPARE(nqb::SearchIds(nqb::FoodKind::Dish, text), dishes);
            if (text.isEmpty())
                continue;
            nqb::browser::Filter f;
            QVERIFY(nqb::browser::searchFilter(text, &f));
            nqb::browser::CompositionRows rows;
            QVERIFY(rows.load(nqb::browser::pageStatement(nqb::browser::Page::Nutrient, f)).ok());
            QStringList shown;
            for (int r = 0; r < rows.rowCount(); ++r)
                shown << rows.index(r, 0).data().toString();
            QCOMPARE(shown, byTable);
        }
    };
    checkOrders();

    // An older file without them: they come with the next opening.
    for (const QString &i : indexes)
        QVERIFY(q.exec(QStringLiteral("DROP INDEX ") + i));
    QVERIFY(searchIndexes().isEmpty());
    checkOrders();
    env.closeDataModule();
    QVERIFY(env.openDataModule()->isOpen());
    QCOMPARE(searchIndexes(), indexes);
}

QTEST_MAIN(DatabaseTest)
#include "test_database.moc"
