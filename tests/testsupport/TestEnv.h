#pragma once
// A fresh working folder (with its database made from the seed) and program
// folder for one test, removed afterwards.
#include "data/DataModule.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>

class TestEnv
{
public:
    // withDatabase = false leaves Data/ empty (for tests of the creation itself).
    explicit TestEnv(bool withDatabase = true);
    ~TestEnv();

    QString workingDir() const { return m_work.path(); }
    QString programDir() const { return m_program.path(); }
    QString databasePath() const;
    TDM *dm() const { return m_dm.get(); }

    // Opens the data module on the working folder (done by the constructor
    // when withDatabase is true).
    TDM *openDataModule();
    void closeDataModule();

private:
    QTemporaryDir m_work;
    QTemporaryDir m_program;
    std::unique_ptr<TDM> m_dm;
};

// Runs fn on the next modal dialog that becomes active (polls until one does,
// up to timeoutMs). Use before the call that opens the dialog with exec().
void onNextModal(std::function<void(QWidget *)> fn, int timeoutMs = 5000);

namespace nqb {
class RunState;
}
// The run state a window under test is handed: the main window's when a test
// made one (so its SetSurveyMode and SetMealPattern count), otherwise one
// shared by the tests of the program.
nqb::RunState &testRunState();

// Counts rows of a table or of "select count(*) ..." statement text.
int rowCount(const QString &table);
