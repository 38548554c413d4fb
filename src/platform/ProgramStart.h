#pragma once

#include <QStringList>

#include <string>

// What the program needs of its process before there is an application object.

// The arguments as QCoreApplication::arguments() will give them (on Windows: the wide command line, not
// the ANSI argv), so that --help, --version and bad usage need no display.
QStringList programArguments(int argc, char **argv);

// A program of the GUI subsystem (Windows) starts without a console, and its output is lost unless it is
// redirected: run from a console, it then prints there and hears that console's Ctrl+C. Elsewhere nothing
// to do.
void useParentConsole();

// Empty when the desktop the backend drives can be reached; otherwise one line that says what is missing
// and which display was tried. (Without a display the toolkit would abort with advice about platform
// plugins and leave a core.)
std::string desktopUnreachable();
