#include "app/AppStart.h"

#include "app/MainUnit.h"
#include "diners/PersonalInfoUnit.h"
#include "foods/SHFoodUnit.h"
#include "planning/AnalyzeInsertUnit.h"
#include "planning/AnalyzeUnit.h"
#include "planning/IndividualUnit.h"
#include "data/DataModule.h"
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
    // 3. The data module, which opens the database connection.
    s->dm = std::make_unique<TDM>(workingDir);
    // 4. The add-entry dialog, which lives until the program ends.
    TAnalyzeInsert::createInstance(s->main);
    // 5. The print window is created here.

    // 6. The main window is shown, with what became of the database on top of it.
    if (show)
        s->main->show();
    if (!s->dm->openError().isEmpty())
        prompt::error(s->main, s->dm->openError());
    else if (!s->dm->creationNotice().isEmpty())
        prompt::info(s->main, s->dm->creationNotice());
    return s;
}
