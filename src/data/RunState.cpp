#include "data/RunState.h"

#include "data/Settings.h"

namespace nqb {

RunState::RunState(QObject *parent)
    : QObject(parent)
    , m_mealPattern(readMealPattern())
{
}

void RunState::setMealPattern(int pattern)
{
    if (pattern == m_mealPattern)
        return;
    m_mealPattern = pattern;
    emit mealPatternChanged(pattern);
}

void RunState::reloadMealPattern()
{
    setMealPattern(readMealPattern());
}

} // namespace nqb
