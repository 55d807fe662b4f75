#pragma once
// The main window: toolbar, five function pages with image tiles, the menu,
// and the run-wide values the other windows read through it.
#include <QMainWindow>

class QWidget;

class TMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TMain(QWidget *parent = nullptr);
    ~TMain() override;

    // Run-wide values.
    void SetMealPattern(int pattern) { m_mealPattern = pattern; }
    int GetMealPattern() const { return m_mealPattern; }
    void SetSurveyMode(bool on) { m_surveyMode = on; }
    bool IsSurveyMode() const { return m_surveyMode; }
    void SetIndividual(bool individual) { m_individual = individual; }
    bool IsIndividual() const { return m_individual; }

    // The client panel that hosts the embedded windows.
    QWidget *Panel() const { return m_panel; }

    // The main window of this run (nullptr before it is created).
    static TMain *instance();

private:
    QWidget *m_panel = nullptr;
    int m_mealPattern = 0;
    bool m_surveyMode = false;
    bool m_individual = false;
};
