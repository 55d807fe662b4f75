#include "FuzzReaders.h"

#include "data/Backup.h"
#include "data/DataModule.h"
#include "data/IniText.h"
#include "data/Paths.h"
#include "diners/DRIsTransfer.h"
#include "diners/GroupProfile.h"
#include "diners/PersonalProfile.h"
#include "foods/CompositionImport.h"
#include "foods/DishTransfer.h"
#include "planning/PlanFile.h"

#include <cstring>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace nqb::fuzz {

namespace {

struct World {
    std::unique_ptr<QCoreApplication> app;
    QTemporaryDir scratch;
    std::unique_ptr<TDM> dm;
};

World *&worldSlot()
{
    static World *w = nullptr;
    return w;
}

[[noreturn]] void broken(const char *reader, const QString &what)
{
    std::fprintf(stderr, "%s reader broke its promise: %s\n", reader, qPrintable(what));
    std::abort();
}

Outcome refusedOrBroken(const char *reader, bool ok, const QString &message, const QString &done)
{
    if (ok)
        return {true, done};
    if (message.trimmed().isEmpty())
        broken(reader, QStringLiteral("refused without a message"));
    return {false, message};
}

QString scratchFile(const QString &name, const QByteArray &bytes)
{
    const QString path = worldSlot()->scratch.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        broken("scratch", QStringLiteral("cannot write %1").arg(path));
    return path;
}

Outcome runPlan(const QByteArray &bytes)
{
    QList<QVariantList> rows{QVariantList{1}};
    const plan::PlanResult r = planfile::parsePlan(bytes, &rows);
    if (!r.ok() && !rows.isEmpty())
        broken("plan", QStringLiteral("refused but left %1 rows").arg(rows.size()));
    if (r.ok()) {
        if (rows.size() != r.rows)
            broken("plan", QStringLiteral("counted %1 rows, gave %2").arg(r.rows).arg(rows.size()));
        for (const QVariantList &row : rows)
            if (row.size() != planfile::planColumns().size())
                broken("plan", QStringLiteral("a row of %1 values").arg(row.size()));
    }
    // The quick reader and the general one take every input the same way:
    // the same answer, the same message, the same values of the same types
    // (a double to the bit, so -0 and 0 differ).
    QList<QVariantList> general;
    const plan::PlanResult g = planfile::parsePlanGeneral(bytes, &general);
    if (g.ok() != r.ok() || g.status != r.status || g.message != r.message || general.size() != rows.size())
        broken("plan", QStringLiteral("the quick reader says %1 (%2), the general one %3 (%4)")
                           .arg(r.ok()).arg(r.message).arg(g.ok()).arg(g.message));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        for (qsizetype c = 0; c < rows[i].size(); ++c) {
            const QVariant &a = rows[i][c];
            const QVariant &b = general[i][c];
            const bool same = a.metaType() == b.metaType() && a.isNull() == b.isNull()
                              && (a.typeId() == QMetaType::Double
                                      ? std::memcmp(a.constData(), b.constData(), sizeof(double)) == 0
                                      : a == b);
            if (!same)
                broken("plan", QStringLiteral("row %1 column %2: quick %3, general %4")
                                   .arg(i + 1).arg(c + 1).arg(a.toString(), b.toString()));
        }
    }
    return refusedOrBroken("plan", r.ok(), r.message, QStringLiteral("%1 rows").arg(rows.size()));
}

// What QSettings makes of a value, as the INI reader gives it. QSettings
// turns "@Rect(..)", "@Variant(..)" and the like into typed values, and a list
// with such an item into a list of variants; the INI reader keeps those items
// as the text they are, so only items QSettings reads as text are compared.
bool isText(const QVariant &v)
{
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
}

bool sameAsQSettings(const QVariant &mine, const QVariant &theirs)
{
    const bool mineList = mine.typeId() == QMetaType::QStringList;
    if (theirs.typeId() == QMetaType::QStringList)
        return mineList && theirs.toStringList() == mine.toStringList();
    if (theirs.typeId() == QMetaType::QVariantList) {
        const QVariantList items = theirs.toList();
        const QStringList texts = mine.toStringList();
        if (!mineList || items.size() != texts.size())
            return false;
        for (qsizetype i = 0; i < items.size(); ++i)
            if (isText(items[i]) && items[i].toString() != texts[i])
                return false;
        return true;
    }
    return !mineList && (!isText(theirs) || theirs.toString() == mine.toString());
}

Outcome runIni(const QByteArray &bytes)
{
    ini::Document doc;
    const QString fault = ini::parse(bytes, &doc);
    if (!fault.isEmpty() && doc.size() != 0)
        broken("ini", QStringLiteral("refused but kept %1 keys").arg(doc.size()));
    if (fault.isEmpty()) {
        // A file read whole reads as QSettings reads it, key for key. Each
        // input gets a file name of its own: QSettings keeps what it read of a
        // file and takes it again for a file of the same name, size and time.
        static quint64 serial = 0;
        const QString path = scratchFile(QStringLiteral("f%1.ini").arg(++serial), bytes);
        const auto removeFile = qScopeGuard([&path] { QFile::remove(path); });
        QSettings s(path, QSettings::IniFormat);
        const QStringList sections = doc.sections();
        for (const QString &section : sections) {
            s.beginGroup(section);
            const QStringList keys = s.childKeys();
            for (const QString &k : keys) {
                const QString full = section.isEmpty() ? k : section + QLatin1Char('/') + k;
                if (doc.contains(full) && !sameAsQSettings(doc.value(full), s.value(k)))
                    broken("ini", QStringLiteral("%1 reads as [%2], QSettings reads [%3]")
                                      .arg(full, doc.text(full, {}, QStringLiteral("|")),
                                           s.value(k).toStringList().join(QLatin1Char('|'))));
            }
            s.endGroup();
        }
    }
    PersonalProfileData p;
    RequirementMatrix m;
    const QString personal = parsePersonalProfile(bytes, p, m);
    GroupProfileData g;
    const QString group = parseGroupProfile(bytes, g);
    if (personal.isEmpty() != fault.isEmpty() || (!group.isEmpty() && fault.isEmpty() && g.rows.size() != 0))
        broken("ini", QStringLiteral("profile readers disagree with the INI reader"));
    if (!group.isEmpty() && !g.rows.isEmpty())
        broken("ini", QStringLiteral("group profile refused but kept rows"));
    return refusedOrBroken("ini", fault.isEmpty() && group.isEmpty(), fault.isEmpty() ? group : fault,
                           QStringLiteral("%1 keys, %2 group rows").arg(doc.size()).arg(g.rows.size()));
}

Outcome runDish(const QByteArray &bytes)
{
    transfer::Library lib;
    const Result r = transfer::parse(bytes, lib);
    if (!r.ok() && (!lib.dishes.isEmpty() || !lib.categories.isEmpty()))
        broken("dish", QStringLiteral("refused but kept a part of the library"));
    if (r.ok()) {
        // What was read is written and read again to the very same text.
        const QByteArray text = transfer::serialize(lib);
        transfer::Library again;
        const Result r2 = transfer::parse(text, again);
        if (!r2.ok())
            broken("dish", QStringLiteral("its own text refused: %1").arg(r2.message));
        if (transfer::serialize(again) != text)
            broken("dish", QStringLiteral("a library does not come back as it was"));
    }
    return refusedOrBroken("dish", r.ok(), r.message, QStringLiteral("%1 dishes").arg(lib.dishes.size()));
}

Outcome runDris(const QByteArray &bytes)
{
    SpecialDrisData d;
    const Result r = parseSpecialDris(bytes, d);
    if (!r.ok() && (!d.kinds.isEmpty() || !d.amendments.isEmpty() || !d.standards.isEmpty()))
        broken("dris", QStringLiteral("refused but kept a part of the data"));
    return refusedOrBroken("dris", r.ok(), r.message, QStringLiteral("%1 amendments").arg(d.amendments.size()));
}

Outcome runCsv(const QByteArray &bytes)
{
    import::Preview p;
    const Result r = import::previewCsv(bytes, QStringLiteral("1-自定义食物"), &p);
    if (r.ok()) {
        for (const import::SkippedRow &s : std::as_const(p.skipped))
            if (s.reason.isEmpty())
                broken("csv", QStringLiteral("line %1 skipped without a reason").arg(s.line));
    }
    return refusedOrBroken("csv", r.ok(), r.message,
                           QStringLiteral("%1 foods, %2 skipped").arg(p.foods.size()).arg(p.skipped.size()));
}

Outcome runBackup(const QByteArray &bytes)
{
    // SQLite reads files, so the bytes go into one first.
    const backup::Result r = backup::checkBackup(scratchFile(QStringLiteral("b.bak"), bytes));
    return refusedOrBroken("backup", r.ok, r.message, QStringLiteral("a database of this program"));
}

} // namespace

QString readerName(Reader reader)
{
    switch (reader) {
    case Reader::Plan:
        return QStringLiteral("plan");
    case Reader::Ini:
        return QStringLiteral("ini");
    case Reader::Dish:
        return QStringLiteral("dish");
    case Reader::Dris:
        return QStringLiteral("dris");
    case Reader::Csv:
        return QStringLiteral("csv");
    case Reader::Backup:
        return QStringLiteral("backup");
    }
    return {};
}

QList<Reader> allReaders()
{
    return {Reader::Plan, Reader::Ini, Reader::Dish, Reader::Dris, Reader::Csv, Reader::Backup};
}

void prepare()
{
    if (worldSlot())
        return;
    auto *w = new World;
    static int argc = 1;
    static char name[] = "nqb_fuzz";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        w->app = std::make_unique<QCoreApplication>(argc, argv);
    if (!w->scratch.isValid())
        broken("prepare", QStringLiteral("no scratch folder"));
    const QString program = w->scratch.filePath(QStringLiteral("program"));
    QDir().mkpath(program);
    setProgramDir(program);
    worldSlot() = w;
    w->dm = std::make_unique<TDM>(w->scratch.path());
    if (!w->dm->isOpen())
        broken("prepare", QStringLiteral("no database: %1").arg(w->dm->openError()));
}

Outcome run(Reader reader, const QByteArray &bytes)
{
    prepare();
    switch (reader) {
    case Reader::Plan:
        return runPlan(bytes);
    case Reader::Ini:
        return runIni(bytes);
    case Reader::Dish:
        return runDish(bytes);
    case Reader::Dris:
        return runDris(bytes);
    case Reader::Csv:
        return runCsv(bytes);
    case Reader::Backup:
        return runBackup(bytes);
    }
    return {};
}

} // namespace nqb::fuzz
