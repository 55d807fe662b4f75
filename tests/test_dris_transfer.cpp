#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "Controls.h"
#include "diners/Amendments.h"
#include "diners/DRIsSaveUnit.h"
#include "diners/DRIsTransfer.h"
#include "diners/Requirements.h"

#include <QCheckBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

using namespace nqb;

namespace {

void writeText(const QString &path, const QByteArray &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

double energyOf(const QString &age, const QString &sex)
{
    QSqlQuery q(db());
    q.prepare("SELECT ENERC_kcal FROM DRIsStand_tb WHERE AGETEXT=? AND SEX=? AND ACT='轻体力活动' AND DRIS='RNI'");
    q.addBindValue(age);
    q.addBindValue(sex);
    return q.exec() && q.next() ? q.value(0).toDouble() : -1;
}

} // namespace

class DRIsTransferTest : public QObject
{
    Q_OBJECT
private slots:
    void roundTripWithPreview();
    void badFilesAreRefusedNamingThem();
    void windowExportsAndImports();
};

void DRIsTransferTest::roundTripWithPreview()
{
    TestEnv env;
    QSqlQuery q(db());
    QVERIFY(q.exec("INSERT INTO DRIsIllKind_tb (MEALKIND) VALUES ('O''Brien膳食')"));
    QVERIFY(addAmendment(db(), {"O'Brien膳食", "18", "50", requirementElement(18), "女", "1", "1.5", "2.25", "a,\"b\""})
                .ok());
    const QString path = env.workingDir() + "/special.dris";
    SpecialDrisData out;
    QVERIFY(collectSpecialDris(db(), true, out).ok());
    QVERIFY(writeSpecialDrisFile(path, out).ok());
    const double shipped = energyOf("18 ～ 50", "男");

    // Change the database after the export: one amendment gone, one added, a kind and a DRIs value changed.
    QList<Amendment> rows;
    QVERIFY(readAmendments(db(), "O'Brien膳食", rows).ok());
    QVERIFY(deleteAmendment(db(), rows[0]).ok());
    QVERIFY(addAmendment(db(), {"低盐膳食", "0", "1", requirementElement(3), "男", "1", "2", "3", ""}).ok());
    QVERIFY(q.exec("DELETE FROM DRIsIll_tb WHERE MEALKIND='O''Brien膳食'"));
    QVERIFY(q.exec("DELETE FROM DRIsIllKind_tb WHERE MEALKIND='O''Brien膳食'"));
    QVERIFY(q.exec("INSERT INTO DRIsIllKind_tb (MEALKIND) VALUES ('我的膳食')"));
    QVERIFY(q.exec("UPDATE DRIsStand_tb SET ENERC_kcal = 1 WHERE AGETEXT='18 ～ 50' AND SEX='男' AND DRIS='RNI'"));

    SpecialDrisData in;
    QVERIFY(readSpecialDrisFile(path, in).ok());
    SpecialDrisPreview p;
    QVERIFY(previewSpecialDris(db(), in, p).ok());
    QCOMPARE(p.newKinds, QStringList({"O'Brien膳食"}));
    QCOMPARE(p.amendmentsAdded, 1);
    QCOMPARE(p.amendmentsRemoved, 1);
    QCOMPARE(p.amendmentsKept, out.amendments.size() - 1);
    QCOMPARE(p.standardsChanged, 3); // the three activity levels of 18 ～ 50 men
    QCOMPARE(p.standardsAdded, 0);
    QVERIFY(p.text().contains("O'Brien膳食"));

    QVERIFY(importSpecialDris(db(), in).ok());
    SpecialDrisData now;
    QVERIFY(collectSpecialDris(db(), true, now).ok());
    QCOMPARE(now.amendments.size(), out.amendments.size());
    QVERIFY(now.kinds.contains("我的膳食")); // kinds the file does not hold stay
    QVERIFY(readAmendments(db(), "O'Brien膳食", rows).ok());
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].ul.toDouble(), 2.25);
    QCOMPARE(rows[0].remark, QStringLiteral("a,\"b\""));
    QCOMPARE(energyOf("18 ～ 50", "男"), shipped);

    SpecialDrisPreview again;
    QVERIFY(previewSpecialDris(db(), in, again).ok());
    QVERIFY(!again.changesAnything());
}

void DRIsTransferTest::badFilesAreRefusedNamingThem()
{
    TestEnv env;
    SpecialDrisData good;
    QVERIFY(collectSpecialDris(db(), false, good).ok());
    const QString path = env.workingDir() + "/x.dris";
    QVERIFY(writeSpecialDrisFile(path, good).ok());
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QJsonObject root = QJsonDocument::fromJson(f.readAll()).object();
    f.close();

    auto refused = [&](const QJsonObject &o) {
        writeText(path, QJsonDocument(o).toJson());
        SpecialDrisData d;
        const Result r = readSpecialDrisFile(path, d);
        return r.status == Status::FileError && r.message.contains("x.dris");
    };
    QJsonObject o = root;
    o["format"] = "nqb-plan";
    QVERIFY(refused(o));
    o = root;
    o["version"] = 2;
    QVERIFY(refused(o));
    o = root;
    o.remove("kinds");
    QVERIFY(refused(o));
    // Two overlapping ranges of one kind, element and sex.
    o = root;
    QJsonArray a = o["amendments"].toArray();
    QJsonObject first = a[0].toObject();
    first["YEARFIR"] = first["YEARFIR"].toDouble() - 1;
    a.append(first);
    o["amendments"] = a;
    QVERIFY(refused(o));
    // Values out of order.
    o = root;
    a = o["amendments"].toArray();
    first = a[0].toObject();
    first["UL"] = first["RNI"];
    a[0] = first;
    o["amendments"] = a;
    QVERIFY(refused(o));
    // An amendment of a kind the file does not list.
    o = root;
    o["kinds"] = QJsonArray();
    QVERIFY(refused(o));

    writeText(path, "{\"format\": \"nqb-special-dris\", \"version\": 1, \"kinds\": [");
    SpecialDrisData d;
    QVERIFY(!readSpecialDrisFile(path, d).ok());
    QVERIFY(!readSpecialDrisFile(env.workingDir() + "/none.dris", d).ok());
}

void DRIsTransferTest::windowExportsAndImports()
{
    TestEnv env;
    ScriptedPrompt prompts;
    TDRIsSave w;
    w.show();
    const QString path = env.workingDir() + "/all.dris";
    prompts.files.enqueue(path);
    child<QCheckBox>(&w, "Standards_chk")->setChecked(true);
    child<QPushButton>(&w, "Export_btn")->click();
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].icon, Prompt::Icon::Information);
    SpecialDrisData d;
    QVERIFY(readSpecialDrisFile(path, d).ok());
    QVERIFY(d.hasStandards && !d.standards.isEmpty());

    // Importing what is there changes nothing and says so.
    prompts.clear();
    prompts.files.enqueue(path);
    child<QPushButton>(&w, "Import_btn")->click();
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].icon, Prompt::Icon::Information);

    QSqlQuery q(db());
    QVERIFY(q.exec("DELETE FROM DRIsIll_tb"));
    prompts.clear();
    prompts.files.enqueue(path);
    prompts.answers.enqueue(false);
    child<QPushButton>(&w, "Import_btn")->click();
    QCOMPARE(prompts.messages[0].icon, Prompt::Icon::Question);
    QCOMPARE(rowCount("DRIsIll_tb"), 0);
    prompts.files.enqueue(path);
    prompts.answers.enqueue(true);
    child<QPushButton>(&w, "Import_btn")->click();
    QCOMPARE(rowCount("DRIsIll_tb"), d.amendments.size());

    // A foreign file: a warning naming it.
    prompts.clear();
    writeText(env.workingDir() + "/foreign.dris", "not json");
    prompts.files.enqueue(env.workingDir() + "/foreign.dris");
    child<QPushButton>(&w, "Import_btn")->click();
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].icon, Prompt::Icon::Warning);
    QVERIFY(prompts.lastText().contains("foreign.dris"));
}

QTEST_MAIN(DRIsTransferTest)
#include "test_dris_transfer.moc"
