// TMJPGReader: the line operation every part of an MJPG stream is read with,
// and the small text conversions the header and part readers share.
#pragma once

#include "core/streams.h"

#include <cstdint>
#include <string>

class TMJPGReader {
public:
    // The longest line ReadLine returns; longer lines come back in pieces.
    static constexpr int64_t MaxLineLength = 65534;

    // The line last read, without its CR LF.
    std::string Line;

    // Reads the next line and leaves the stream just after it. The line ends
    // at the first CR LF within the next 65534 bytes; a NUL byte before that
    // CR LF ends the line at the NUL and the whole block counts as read;
    // without either the whole block is the line. At the end of the stream
    // the line is empty. A null stream gives an empty line.
    void ReadLine(TStream* stream);
};

// Leading and trailing characters of code 32 or less removed.
std::string TrimControlAndBlanks(const std::string& text);

// key and value as one text line (without its CR LF) that ReadLine gets back
// whole: ReadLine finds a line's end only when its CR LF lies within the
// 65534 bytes it looks at, so a line may hold at most 65532 characters.
// A longer one comes back cut, with the rest as a line of its own that
// starts with the LF, or followed by an empty line that would end the header
// or the part's text lines. A value too long for the line (one read from a
// line the reader had to split) is cut to fit and trimmed, as the reader
// trims it.
std::string WholeLine(const std::string& key, const std::string& value);

// Leading blanks, then an optional sign and decimal digits up to the end of
// the text, within the 32-bit signed range; anything else gives 0.
int32_t MJPGIntValue(const std::string& text);
// The same reading; false (value untouched) where MJPGIntValue gives 0 for
// a text that is not such a number.
bool TryMJPGIntValue(const std::string& text, int32_t& value);
