// The list answer as lines: the body taken byte for byte as 8-bit text
// (code page 1251, not converted). A line ends at CR, LF or CR LF; a NUL
// byte ends the text; a break after the last line adds no empty line, and
// an empty line between two others is a line of its own.
#pragma once

#include "core/streams.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> SplitListAnswer(std::string_view text);

// The stream from its current position to its end, split as above.
std::vector<std::string> ReadListAnswer(TStream& body);
