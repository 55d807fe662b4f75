#include "app/AppStart.h"

#include "app/MainUnit.h"
#include "data/DataModule.h"
#include "data/Paths.h"
#include "widgets/Prompt.h"

AppSession::~AppSession()
{
    delete main;
    main = nullptr;
    dm.reset();
}

void ensureProgramFiles()
{
}

std::unique_ptr<AppSession> startApplication(const QString &workingDir, const QString &programDir, bool show)
{
    if (!programDir.isEmpty())
        nqb::setProgramDir(programDir);
    ensureProgramFiles();
    auto s = std::make_unique<AppSession>();
    s->main = new TMain;
    s->dm = std::make_unique<TDM>(workingDir);
    if (!s->dm->openError().isEmpty())
        prompt::error(s->main, s->dm->openError());
    else if (!s->dm->creationNotice().isEmpty())
        prompt::info(s->main, s->dm->creationNotice());
    if (show)
        s->main->show();
    return s;
}
