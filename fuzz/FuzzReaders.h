#pragma once
// The readers of files a user hands the program, each called on bytes as a
// fuzz target and the corpus replay call them: plan files, INI files (profiles,
// their copies, system.dll), dish library files, special-diet DRIs files,
// composition CSV files and database backups.
//
// run() checks what every reader promises besides not crashing: it either
// gives a complete value or refuses with a message and leaves no partial
// value behind. A broken promise aborts, so the fuzzer reports the input.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace nqb::fuzz {

enum class Reader { Plan, Ini, Dish, Dris, Csv, Backup };

// The corpus folder name of a reader ("plan", "ini", "dish", "dris", "csv", "backup").
QString readerName(Reader reader);
QList<Reader> allReaders();

// Makes once what the readers need: an application object, a program folder
// and a database made from the seed, all in a scratch folder.
void prepare();

struct Outcome {
    bool accepted = false;
    QString message; // what was read ("49 rows") or why it was refused
};

Outcome run(Reader reader, const QByteArray &bytes);

} // namespace nqb::fuzz
