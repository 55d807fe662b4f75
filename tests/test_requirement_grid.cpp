#include "Controls.h"
#include "data/NutrientBlocks.h"
#include "widgets/NumericEdit.h"
#include "widgets/RequirementGrid.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

using namespace nqb;

namespace {

// A matrix whose every cell tells its row and nutrient apart.
RequirementMatrix numbered()
{
    RequirementMatrix m;
    for (int r = 0; r < kRequirementRows; ++r) {
        for (int n = 0; n < kRequirementCount; ++n)
            m.setText(r, n, QStringLiteral("%1.%2").arg(r + 1).arg(n, 2, 10, QLatin1Char('0')));
    }
    return m;
}

// The cell editor open in g, if any.
NumericEdit *openEditor(QTableWidget *g)
{
    const auto editors = g->viewport()->findChildren<NumericEdit *>();
    for (NumericEdit *e : editors) {
        if (e->isVisible())
            return e;
    }
    return nullptr;
}

// Types keys into the current cell of g the way a user does: the first key
// opens the editor, the rest go to it, Enter stores.
void typeInto(QTableWidget *g, int row, int column, const QString &keys)
{
    g->setFocus();
    g->setCurrentCell(row, column);
    QTest::keyClick(g, keys.at(0).toLatin1());
    auto *editor = openEditor(g);
    QVERIFY2(editor, "no cell editor opened");
    QTest::keyClicks(editor, keys.mid(1));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!openEditor(g)); // the delegate stores and closes on the next turn of the event loop
}

} // namespace

class RequirementGridTest : public QObject
{
    Q_OBJECT
private slots:
    void matrixRoundTripsThroughTheCells();
    void typedCellsTakeDigitsAndPointOnly();
    void fixedTextsAndReadOnly();
};

void RequirementGridTest::matrixRoundTripsThroughTheCells()
{
    RequirementGrid w;
    QSignalSpy edited(&w, &RequirementGrid::cellEdited);
    const RequirementMatrix m = numbered();
    w.setMatrix(m);
    QCOMPARE(w.matrix(), m);
    QCOMPARE(edited.count(), 0); // the program's own writes are no edits

    // Nutrient 13 is the first body column of the second grid; 12 the last of the first.
    auto *g1 = child<QTableWidget>(&w, "StrGrid1");
    auto *g2 = child<QTableWidget>(&w, "StrGrid2");
    QCOMPARE(g2->item(1, 1)->text(), m.text(RniRow, 13));
    QCOMPARE(g2->item(0, 1)->text(), requirementHeader(13));
    QCOMPARE(g1->item(3, 13)->text(), m.text(UlRow, 12));
    QCOMPARE(g1->item(0, 13)->text(), requirementHeader(12));
    QCOMPARE(g2->item(2, 13)->text(), m.text(EarRow, 25));

    // A cell written by another caller is an edit of that nutrient and row.
    g2->item(2, 4)->setText(QStringLiteral("7.5"));
    QCOMPARE(edited.count(), 1);
    QCOMPARE(edited[0], (QVariantList{16, int(EarRow)}));
    QCOMPARE(w.matrix().text(EarRow, 16), QStringLiteral("7.5"));
    QCOMPARE(w.value(EarRow, 16), 7.5);

    bool ok = true;
    w.setText(RniRow, 0, QStringLiteral("1..2"));
    QCOMPARE(w.value(RniRow, 0, &ok), 0.0);
    QVERIFY(!ok);
    w.setValue(UlRow, 25, 0.1 + 0.2);
    QCOMPARE(w.text(UlRow, 25), QStringLiteral("0.3"));
    QCOMPARE(edited.count(), 1);

    w.clear();
    QCOMPARE(w.matrix(), RequirementMatrix());

    QSignalSpy selected(&w, &RequirementGrid::cellSelected);
    g2->setCurrentCell(3, 2);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected[0], (QVariantList{14, int(UlRow)}));
    g1->setCurrentCell(0, 2); // a header cell selects no nutrient
    QCOMPARE(selected.count(), 1);
}

void RequirementGridTest::typedCellsTakeDigitsAndPointOnly()
{
    RequirementGrid w;
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QSignalSpy edited(&w, &RequirementGrid::cellEdited);
    auto *g1 = child<QTableWidget>(&w, "StrGrid1");
    typeInto(g1, 2, 3, QStringLiteral("1a2.5-e"));
    QCOMPARE(w.text(EarRow, 2), QStringLiteral("12.5"));
    QVERIFY(edited.count() >= 1);
    QCOMPARE(edited.last(), (QVariantList{2, int(EarRow)}));
    QCOMPARE(g1->item(2, 3)->textAlignment(), int(Qt::AlignCenter));

    // A letter as the first key opens the editor but is dropped.
    auto *g2 = child<QTableWidget>(&w, "StrGrid2");
    typeInto(g2, 1, 1, QStringLiteral("x9"));
    QCOMPARE(w.text(RniRow, 13), QStringLiteral("9"));
}

void RequirementGridTest::fixedTextsAndReadOnly()
{
    RequirementGrid w;
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *g1 = child<QTableWidget>(&w, "StrGrid1");
    // Row names and headers take no editor.
    g1->setFocus();
    g1->setCurrentCell(0, 1);
    QTest::keyClick(g1, '5');
    QVERIFY(!openEditor(g1));
    QCOMPARE(g1->item(0, 1)->text(), requirementHeader(0));
    QCOMPARE(g1->item(2, 0)->text(), QStringLiteral("下    限"));

    w.setMatrix(numbered());
    w.setReadOnly(true);
    g1->setFocus();
    g1->setCurrentCell(1, 1);
    QTest::keyClick(g1, '5');
    QVERIFY(!openEditor(g1));
    QCOMPARE(w.matrix(), numbered());
    w.setReadOnly(false);
    typeInto(g1, 1, 1, QStringLiteral("5"));
    QCOMPARE(w.text(RniRow, 0), QStringLiteral("5"));
}

QTEST_MAIN(RequirementGridTest)
#include "test_requirement_grid.moc"
