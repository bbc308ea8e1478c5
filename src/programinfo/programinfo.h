// --help and --version, answered by every program of the package before it
// looks at the rest of its command line (or at the display).
#pragma once

#include <string>

// The package's version, "1.0.0.50" for this release.
const char* ProgramVersion();

// The text --version prints: the program's name and the version on the first
// line, the product on the second.
std::string VersionText(const char* program);

// When an argument before "--" is exactly "--help" or "--version" (the first
// of them decides), writes the help text or the version text to standard
// output and returns the exit status: 0, or writeFailedStatus with a message
// on standard error when the text could not be written. Returns -1 when
// neither is asked for.
int AnswerHelpOrVersion(int argc, char** argv, const char* program, const char* helpText, int writeFailedStatus);
