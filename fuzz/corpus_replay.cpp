// Replays the committed seed corpus through every reader, as the fuzz targets
// call them: fuzz/corpus/<reader>/<file>. A file named "valid-..." must be
// read, one named "bad-..." refused; any other file (kept from a fuzz run) may
// be either. Every refusal must come with a message, and no reader may crash.
//
//   fuzz_corpus_replay [corpus folder]
//   fuzz_corpus_replay --make-database <file>   (a seed database, for tools/fuzz_seeds.py)
#include "FuzzReaders.h"

#include "data/DataModule.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    using namespace nqb::fuzz;
    if (argc == 3 && qstrcmp(argv[1], "--make-database") == 0) {
        prepare();
        const QString err = nqb::createDatabaseFile(QString::fromLocal8Bit(argv[2]));
        if (!err.isEmpty())
            std::printf("%s\n", qPrintable(err));
        return err.isEmpty() ? 0 : 1;
    }
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(NQB_CORPUS_DIR);
    prepare();
    int files = 0, failures = 0;
    for (Reader reader : allReaders()) {
        const QDir dir(QDir(root).filePath(readerName(reader)));
        const QStringList names = dir.entryList(QDir::Files, QDir::Name);
        if (names.isEmpty()) {
            std::printf("FAIL %s: no corpus in %s\n", qPrintable(readerName(reader)), qPrintable(dir.path()));
            ++failures;
        }
        int accepted = 0;
        QElapsedTimer clock;
        clock.start();
        for (const QString &name : names) {
            QFile f(dir.filePath(name));
            if (!f.open(QIODevice::ReadOnly)) {
                std::printf("FAIL %s/%s: cannot read\n", qPrintable(readerName(reader)), qPrintable(name));
                ++failures;
                continue;
            }
            const Outcome o = run(reader, f.readAll());
            ++files;
            accepted += o.accepted;
            const bool wrong = (name.startsWith(QLatin1String("valid-")) && !o.accepted)
                || (name.startsWith(QLatin1String("bad-")) && o.accepted) || o.message.trimmed().isEmpty();
            if (wrong)
                ++failures;
            if (wrong || name.startsWith(QLatin1String("valid-")) || name.startsWith(QLatin1String("bad-")))
                std::printf("%s %s/%s: %s %s\n", wrong ? "FAIL" : "ok  ", qPrintable(readerName(reader)),
                            qPrintable(name), o.accepted ? "read:" : "refused:", qPrintable(o.message));
        }
        std::printf("%s: %lld files, %d read, %d refused, %lld ms\n", qPrintable(readerName(reader)),
                    static_cast<long long>(names.size()), accepted, int(names.size()) - accepted,
                    static_cast<long long>(clock.elapsed()));
    }
    std::printf("%d files, %d failures\n", files, failures);
    return failures == 0 ? 0 : 1;
}
