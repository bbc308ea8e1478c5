// Files as the commands use them: a fragment loaded whole and an input file
// read into memory. Outputs are TReplacingFile: written under a temporary
// name, so that a command that does not finish leaves the old file as it was.
#pragma once

#include "container/mjpgimage.h"
#include "core/replacingfile.h"
#include "core/streams.h"

#include <memory>
#include <string>

// Loads the fragment file whole (valid or not). Raises EStreamError naming
// the file when it cannot be opened or read.
std::unique_ptr<TMJPGImage> LoadFragmentFile(const std::string& path);

// The whole file in memory. Raises EStreamError naming the file.
void ReadWholeFile(const std::string& path, TMemoryStream& data);
