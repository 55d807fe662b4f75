#pragma once
// What the whole run shares between windows: the meal pattern of the settings,
// whether the profile windows work for a dietary survey or for planning, and
// whether the requirement rows came from an individual or a group profile.
// One object, owned by the application session and handed to the windows
// that need it; windows hear of new requirement rows through its signal.
#include <QObject>

namespace nqb {

class RunState : public QObject
{
    Q_OBJECT
public:
    enum class ProfileKind { Individual, Group };

    // Reads the meal pattern from the settings file.
    explicit RunState(QObject *parent = nullptr);

    // The meal pattern (1, 2 or 3; other stored numbers are kept as they are,
    // see readMealPattern). 1 when the settings file or its key is missing.
    int mealPattern() const { return m_mealPattern; }
    void setMealPattern(int pattern);
    // Takes the pattern stored in the settings file again.
    void reloadMealPattern();

    bool surveyMode() const { return m_surveyMode; }
    void setSurveyMode(bool on) { m_surveyMode = on; }

    ProfileKind profileKind() const { return m_profileKind; }
    void setProfileKind(ProfileKind kind) { m_profileKind = kind; }
    bool isIndividual() const { return m_profileKind == ProfileKind::Individual; }

    // Called by whoever rewrote the requirement rows (a confirmed profile).
    void notifyRequirementsChanged() { emit requirementsChanged(); }
    // Called by whoever emptied or replaced the plan outside the workbench's
    // own edits (a survey starts, the program closes, a profile brings a plan).
    void notifyPlanEmptied() { emit planEmptied(); }
    // Asks the main window to bring the planning workbench into view.
    void requestWorkbench() { emit workbenchRequested(); }

signals:
    void requirementsChanged();
    void workbenchRequested();
    void planEmptied();
    void mealPatternChanged(int pattern);

private:
    int m_mealPattern = 1;
    bool m_surveyMode = false;
    // Until a profile is confirmed the run counts as a group (the main window's
    // IsIndividual starts false).
    ProfileKind m_profileKind = ProfileKind::Group;
};

} // namespace nqb
