#pragma once
// The workbench's undo stack entries: a plan edit (the rows it changed) and a
// change of a day's percentage. The first redo, run when the command is
// pushed, does nothing: the edit has just been made.
#include "planning/PlanHistory.h"

#include <QUndoCommand>
#include <functional>

class PlanEditCommand : public QUndoCommand
{
public:
    // done runs after every undo and redo with what became of it.
    PlanEditCommand(const QString &text, nqb::plan::PlanChange change,
                    std::function<void(const nqb::Result &)> done);
    void undo() override;
    void redo() override;
    const nqb::plan::PlanChange &change() const { return m_change; }

private:
    nqb::plan::PlanChange m_change;
    std::function<void(const nqb::Result &)> m_done;
    bool m_pushed = false;
};

class PercentCommand : public QUndoCommand
{
public:
    // apply(weekday, percent) sets a day's percentage.
    PercentCommand(int weekday, int before, int after, std::function<void(int, int)> apply);
    void undo() override;
    void redo() override;
    int id() const override { return 1; }
    // Steps on the same day in a row become one entry.
    bool mergeWith(const QUndoCommand *other) override;

private:
    int m_weekday;
    int m_before;
    int m_after;
    std::function<void(int, int)> m_apply;
    bool m_pushed = false;
};
