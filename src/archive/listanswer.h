// The list answer as lines: the body taken byte for byte as 8-bit text
// (code page 1251, not converted). A line ends at CR, LF or CR LF; a NUL
// byte ends the text; a break after the last line adds no empty line, and
// an empty line between two others is a line of its own.
#pragma once

#include "core/streams.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> SplitListAnswer(std::string_view text);

// The stream from its current position to its end, split as above.
std::vector<std::string> ReadListAnswer(TStream& body);

// The answer held in memory, from the stream's position to its end, as text
// that refers to the stream's own bytes (valid while the stream is unchanged).
std::string_view ListAnswerText(const TMemoryStream& body);

// Calls `line` for the first `maxLines` lines of the text, in order, and
// returns how many lines the text holds in all. The lines after the first
// `maxLines` are only counted: an answer of a million line breaks costs no
// memory beyond its own bytes.
size_t ForEachListLine(std::string_view text, size_t maxLines, const std::function<void(std::string_view)>& line);
