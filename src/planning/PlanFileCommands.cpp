#include "planning/PlanFileCommands.h"

#include "planning/PlanFile.h"
#include "widgets/Prompt.h"

#include <QFileInfo>

namespace nqb {

namespace {

// A name given without extension gets the plan files' one.
QString withPlanSuffix(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + planfile::planFileSuffix();
}

} // namespace

QString loadPlanQuestion()
{
    return QStringLiteral("导入菜谱将会清空现有菜谱记录，是否继续？");
}

bool SavePlanCommand(QWidget *parent, const QStringList &percentages, bool individual)
{
    // The percentages go into the profile before the dialog, also when it is
    // then cancelled. A failure is reported; the plan can still be saved.
    const QString profile = planfile::profileFilePath(individual);
    const plan::PlanResult quotiety = planfile::writeQuotiety(profile, percentages);
    if (!quotiety.ok())
        prompt::error(parent, quotiety.message);
    else if (!quotiety.message.isEmpty())
        prompt::warn(parent, quotiety.message);

    QString path = Prompt::current().saveFile(parent, QStringLiteral("保存配餐记录"), QString(),
                                              planfile::planFileFilter(), planfile::planFileSuffix());
    if (path.isEmpty())
        return false;
    path = withPlanSuffix(path);

    const plan::PlanResult saved = planfile::savePlanWithProfile(path, individual);
    if (!saved.ok()) {
        prompt::error(parent, saved.message);
        return false;
    }
    return true;
}

bool LoadPlanCommand(QWidget *parent, int mealPattern)
{
    if (!prompt::ask(parent, loadPlanQuestion()))
        return false;
    QString path = Prompt::current().openFile(parent, QStringLiteral("读取配餐记录"), QString(),
                                              planfile::planFileFilter());
    if (path.isEmpty())
        return false;
    if (!QFileInfo::exists(path) && QFileInfo::exists(withPlanSuffix(path)))
        path = withPlanSuffix(path);

    // Read and checked in full before the plan is replaced, in one transaction
    // with the meal-pattern delete.
    const plan::PlanResult loaded = planfile::loadPlan(path, mealPattern);
    if (!loaded.ok()) {
        prompt::error(parent, loaded.message);
        return false;
    }
    return true;
}

} // namespace nqb
