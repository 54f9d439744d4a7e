#pragma once

#include <QStringList>

namespace mebo {

// Each command parses its own options (`args` follow the command's name) and creates the
// application object it needs; argc/argv are handed to that object.
int runCaptureCommand(int& argc, char** argv, const QStringList& args);
int runHistoryCommand(int& argc, char** argv, const QStringList& args);
int runConfigCommand(int& argc, char** argv, const QStringList& args);
int runDocCommand(int& argc, char** argv, const QStringList& args);
int runOcrCommand(int& argc, char** argv, const QStringList& args);
int runRedactCommand(int& argc, char** argv, const QStringList& args);
int runVideoCommand(int& argc, char** argv, const QStringList& args);
// The desktop application (no command, or mebo:// URLs and its options).
int runDesktopApp(int& argc, char** argv, const QStringList& args);

} // namespace mebo
