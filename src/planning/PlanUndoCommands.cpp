#include "planning/PlanUndoCommands.h"

#include <QObject>

using namespace nqb;

PlanEditCommand::PlanEditCommand(const QString &text, plan::PlanChange change, std::function<void(const Result &)> done)
    : m_change(std::move(change))
    , m_done(std::move(done))
{
    setText(text);
}

void PlanEditCommand::undo()
{
    const Result r = plan::undoChange(m_change);
    if (m_done)
        m_done(r);
}

void PlanEditCommand::redo()
{
    if (!m_pushed) {
        m_pushed = true;
        return;
    }
    const Result r = plan::redoChange(m_change);
    if (m_done)
        m_done(r);
}

PercentCommand::PercentCommand(int weekday, int before, int after, std::function<void(int, int)> apply)
    : m_weekday(weekday)
    , m_before(before)
    , m_after(after)
    , m_apply(std::move(apply))
{
    setText(QObject::tr("配餐系数 %1%").arg(after));
}

void PercentCommand::undo()
{
    m_apply(m_weekday, m_before);
}

void PercentCommand::redo()
{
    if (!m_pushed) {
        m_pushed = true;
        return;
    }
    m_apply(m_weekday, m_after);
}

bool PercentCommand::mergeWith(const QUndoCommand *other)
{
    const auto *o = static_cast<const PercentCommand *>(other);
    if (o->m_weekday != m_weekday)
        return false;
    m_after = o->m_after;
    setText(QObject::tr("配餐系数 %1%").arg(m_after));
    return true;
}
