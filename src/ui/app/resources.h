// The program's pictures and pages (res/tevarin.qrc) live in a static
// library; InitTevarinResources registers them. Called at start-up and by the
// tests.
//
// The files the program reads from disk (the help pages, the intro movie)
// are found by ProgramFile: beside the executable, as in the build tree, or
// in the installed share folder, <prefix>/share/tevarin, reached from the
// executable's <prefix>/bin.
#pragma once

#include <QString>

namespace tevarin {

void InitTevarinResources();

// The path of a program file by name, or an empty string when neither place
// has it.
QString ProgramFile(const QString& name);
// The installed share folder as seen from the executable's folder.
QString InstalledShareFolder();

}  // namespace tevarin
