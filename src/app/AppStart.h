#pragma once
// The program's start-up, shared by main() and by tests that run the whole
// application in-process.
#include <QString>
#include <memory>

class TDM;
class TMain;

struct AppSession {
    std::unique_ptr<TDM> dm;
    TMain *main = nullptr; // deleted with the session
    ~AppSession();
};

// Creates the main window, the data module for workingDir (empty = current
// directory) and the start-up windows, exactly in the program's order, and
// shows the main window. programDir, when given, replaces the folder of the
// program file for settings, profiles, pictures and help.
std::unique_ptr<AppSession> startApplication(const QString &workingDir = {}, const QString &programDir = {},
                                             bool show = true);

// Creates the files the program expects beside itself (default picture,
// picture folders, help) when they are missing.
void ensureProgramFiles();
