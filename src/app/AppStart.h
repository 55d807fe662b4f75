#pragma once
// The program's start-up, shared by main() and by tests that run the whole
// application in-process.
#include <QString>
#include <memory>

class TDM;
class TMain;
namespace nqb {
class RunState;
}

struct AppSession {
    // What the windows of the run share; outlives the windows.
    std::unique_ptr<nqb::RunState> state;
    std::unique_ptr<TDM> dm;
    TMain *main = nullptr; // deleted with the session
    // The add-entry dialog and the print window, which live from start-up to
    // exit, are held here beside the data module.
    ~AppSession();
};

// Creates the main window, the data module for workingDir (empty = current
// directory) and the start-up windows, exactly in the program's order, and
// shows the main window. programDir, when given, replaces the folder of the
// program file for settings, profiles, pictures and help.
// A database created from the bundled seed is announced with a one-line
// notice; a database that cannot be opened is reported as an error and the
// main window opens all the same.
std::unique_ptr<AppSession> startApplication(const QString &workingDir = {}, const QString &programDir = {},
                                             bool show = true);

// Creates in the program's folder what the program expects there when it is
// missing: the help manual (help/), the nutrient-effects page (web/), and the picture folders FoodImage/ and
// DishImage/. Existing files are left as they are. Returns false when
// something could not be created.
bool ensureProgramFiles();

// Makes the application's default font one that has Chinese glyphs, when the
// platform's default font lacks them.
void useChineseCapableFont();
