#include "app/AppStart.h"

#include "app/DBBackUnit.h"
#include "app/MainUnit.h"
#include "diners/CollectiveUnit.h"
#include "diners/DRIsAmendUnit.h"
#include "diners/DRIsSaveUnit.h"
#include "diners/DRIsStandUnit.h"
#include "app/SystemSetUnit.h"
#include "app/WebUnit.h"
#include "diners/PersonalInfoUnit.h"
#include "foods/CustomFoodUnit.h"
#include "foods/CookBookUnit.h"
#include "foods/DishTransferUnit.h"
#include "foods/SHFoodUnit.h"
#include "planning/AnalyzeInsertUnit.h"
#include "planning/AnalyzeUnit.h"
#include "planning/IndividualUnit.h"
#include "data/DataModule.h"
#include "data/FileRecovery.h"
#include "data/Paths.h"
#include "data/RunState.h"
#include "widgets/Prompt.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QSaveFile>

AppSession::~AppSession()
{
    delete main;
    main = nullptr;
    dm.reset();
    state.reset();
}

namespace {

// Copies every file under the resource folder :/ui/<folder> to the same
// relative path under the program's folder, when it is not there yet.
bool installMissing(const QString &folder)
{
    bool ok = true;
    const QString root = QStringLiteral(":/ui/") + folder;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = nqb::programFile(folder + source.mid(root.size()));
        if (QFileInfo::exists(target))
            continue;
        QFile in(source);
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !in.open(QIODevice::ReadOnly)) {
            ok = false;
            continue;
        }
        QSaveFile out(target);
        if (!out.open(QIODevice::WriteOnly) || out.write(in.readAll()) < 0 || !out.commit())
            ok = false;
    }
    return ok;
}

} // namespace

bool ensureProgramFiles()
{
    bool ok = installMissing(QStringLiteral("help"));
    ok = installMissing(QStringLiteral("web")) && ok;
    for (const char *folder : {"FoodImage", "DishImage"})
        ok = QDir().mkpath(nqb::programFile(QString::fromLatin1(folder))) && ok;
    return ok;
}

void useChineseCapableFont()
{
    QFont font = QApplication::font();
    if (QFontDatabase::writingSystems(font.family()).contains(QFontDatabase::SimplifiedChinese))
        return;
    const QStringList families = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const char *preferred : {"Noto Sans CJK SC", "Noto Sans SC", "Source Han Sans SC", "WenQuanYi Micro Hei",
                                  "Microsoft YaHei", "SimSun"}) {
        const QString name = QString::fromLatin1(preferred);
        if (families.contains(name)) {
            font.setFamilies({name, font.family()});
            QApplication::setFont(font);
            return;
        }
    }
    if (!families.isEmpty()) {
        font.setFamilies({families.first(), font.family()});
        QApplication::setFont(font);
    }
}

namespace {

// The windows the main window's commands open, and the hand-overs between them.
void registerWindows(TMain *main, nqb::RunState &state)
{
    main->setWorkbenchFactory([&state](QWidget *panel) { return TAnalyze::create(panel, state); });
    main->setWindowOpener(TMain::Window::PersonalInfo, [&state](QWidget *parent) { TPersonalInfo::run(parent, state); });
    main->setBrowserFactory(&TSHFood::create);
    TPersonalInfo::setSurveyEntryOpener(&TIndividual::run);
    main->setWindowOpener(TMain::Window::RawFood, &TCustomFood::run);
    main->setWindowOpener(TMain::Window::CollectiveInfo, [&state](QWidget *parent) { TCollective::run(parent, state); });
    TCollective::setSurveyEntryOpener(&TIndividual::run);
    main->setWindowOpener(TMain::Window::DRIsStand, &TDRIsStand::run);
    main->setWindowOpener(TMain::Window::SpecialDiet, &TDRIsAmend::run);
    main->setWindowOpener(TMain::Window::SpecialDRIsTransfer, &TDRIsSave::run);
    main->setWindowOpener(TMain::Window::DishLibrary, &TCookBook::run);
    main->setWindowOpener(TMain::Window::DishTransfer, &TDishTransfer::run);
    main->setWindowOpener(TMain::Window::NutrientEffects, &TWeb::run);
    // After new settings the plan is empty and the pattern may have changed;
    // after a restore the whole database is another: a shown workbench reads
    // everything again (a hidden one does when it is next shown).
    auto refreshWorkbench = [main] {
        if (auto *w = qobject_cast<TAnalyze *>(main->Workbench()); w && w->isVisible())
            w->ShowSteps();
    };
    main->setWindowOpener(TMain::Window::SystemSet, [main, refreshWorkbench](QWidget *parent) {
        if (const auto pattern = TSystemSet::run(parent)) {
            main->SetMealPattern(*pattern);
            refreshWorkbench();
        }
    });
    main->setWindowOpener(TMain::Window::DBBack, [refreshWorkbench](QWidget *parent) {
        if (TDBBack::run(parent))
            refreshWorkbench();
    });
}

} // namespace

std::unique_ptr<AppSession> startApplication(const QString &workingDir, const QString &programDir, bool show)
{
    // 1. The application: program folder, files beside the program, font.
    if (!programDir.isEmpty())
        nqb::setProgramDir(programDir);
    ensureProgramFiles(); // what cannot be created is simply missing later
    useChineseCapableFont();

    auto s = std::make_unique<AppSession>();
    // 2. The main window.
    s->state = std::make_unique<nqb::RunState>();
    s->main = new TMain(s->state.get());
    registerWindows(s->main, *s->state);
    // 3. What an abruptly ended run left behind is put right, then the data
    // module opens the database connection.
    const nqb::Recovery recovery = nqb::recoverProgramFiles(workingDir);
    s->dm = std::make_unique<TDM>(workingDir);
    // 4. The add-entry dialog, which lives until the program ends.
    TAnalyzeInsert::createInstance(s->main);
    // 5. The print window is created by the workbench when its "打 印" runs.

    // 6. The main window is shown, with what became of the database on top of it.
    if (show)
        s->main->show();
    for (const QString &m : recovery.messages)
        prompt::warn(s->main, m);
    if (!s->dm->openError().isEmpty())
        prompt::error(s->main, s->dm->openError());
    else if (s->dm->isReadOnly())
        prompt::warn(s->main, s->dm->readOnlyNotice());
    else if (!s->dm->creationNotice().isEmpty())
        prompt::info(s->main, s->dm->creationNotice());
    return s;
}
