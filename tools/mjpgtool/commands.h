// The commands of mjpgtool. Each takes the arguments after its name and
// returns the exit status; usage errors and I/O errors are raised
// (EUsageError, EStreamError) and turned into statuses by main.
#pragma once

#include <string>
#include <vector>

using TArguments = std::vector<std::string>;

int RunInfo(const TArguments& args);
int RunExtract(const TArguments& args);
int RunPack(const TArguments& args);
int RunRewrite(const TArguments& args);
int RunArchive(const TArguments& args);
int RunExport(const TArguments& args);
int RunVerify(const TArguments& args);
int RunSign(const TArguments& args);
