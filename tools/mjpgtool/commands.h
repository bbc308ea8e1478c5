// The commands of mjpgtool. Each command declares its options in its row of
// kCommands (commands.cpp); main reads the arguments after the command's
// name with them, and the same rows write "mjpgtool --help". Each Run takes
// the parsed arguments and returns the exit status; usage errors and I/O
// errors are raised (EUsageError, EStreamError) and turned into statuses by
// main.
#pragma once

#include "programinfo/options.h"

#include <span>
#include <string>

using TArguments = TParsedArguments;

struct TCommand {
    const char* Name;        // "info", or a command and its subcommand: "archive list"
    const char* Synopsis;    // what follows "mjpgtool NAME" in the help
    const char* Description; // the help's lines under the synopsis, '\n' between them
    TOptions Options;
    int (*Run)(const TArguments&);
};

extern const std::span<const TCommand> kCommands;

int RunInfo(const TArguments& args);
int RunExtract(const TArguments& args);
int RunPack(const TArguments& args);
int RunRewrite(const TArguments& args);
int RunArchiveList(const TArguments& args);
int RunArchiveFetch(const TArguments& args);
int RunExport(const TArguments& args);
int RunThumbnail(const TArguments& args);
int RunVerify(const TArguments& args);
int RunSign(const TArguments& args);

// The side of a thumbnail without --size: the large size of file managers.
constexpr int kThumbnailSize = 256;
