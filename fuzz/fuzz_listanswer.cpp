// Fuzz target: a list answer of the archive server read into fragment
// records, as the fragment manager reads it.
//
// Properties checked for every input, besides "no crash, no leak":
//
// 1. Lines: SplitListAnswer gives exactly the lines a plain reading gives
//    (the text up to its first NUL; a line ends at CR, LF or CR LF; a break
//    after the last line adds no line), and no line holds CR, LF or NUL.
//    ReadListAnswer over a stream of the bytes gives the same lines.
//
// 2. Records: each line builds a TFragment without failing, with an empty
//    Data stream; it Matches its own serial number and fragment number, and
//    GetResolution writes its width and height.
//
// 3. Fields: SplitFragmentLine gives at most ten fields, none holding "|";
//    the camera is the third field exactly (empty when the line has fewer),
//    the fragment is pre-alarm exactly when the tenth field is "pre", and a
//    line that is empty or holds no field keeps every default.
#include "archive/listanswer.h"
#include "core/streams.h"
#include "fuzzcheck.h"
#include "manager/fragment.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::vector<std::string> PlainLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::string current;
    bool open = false; // a line has begun that no break has ended
    for (size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            open = false;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            current += c;
            open = true;
        }
    }
    if (open)
        lines.push_back(current);
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = SplitListAnswer(bytes);
    FUZZ_CHECK(lines == PlainLines(bytes), "lines as a plain reading gives them");
    for (const std::string& line : lines)
        FUZZ_CHECK(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos, "no break or NUL in a line");

    TMemoryStream body;
    body.WriteString(bytes);
    body.SetPosition(0);
    FUZZ_CHECK(ReadListAnswer(body) == lines, "the stream reads as the text");

    for (const std::string& line : lines) {
        const TFragment f(line);
        FUZZ_CHECK(f.Data.Size() == 0, "Data empty");
        FUZZ_CHECK(f.Matches(f.SerialNumber, f.Issue), "matches itself");
        FUZZ_CHECK(f.GetResolution() == std::to_string(f.Width) + "x" + std::to_string(f.Height), "resolution text");

        const std::vector<std::string> fields = SplitFragmentLine(line);
        FUZZ_CHECK(fields.size() <= 10, "at most ten fields");
        for (const std::string& field : fields)
            FUZZ_CHECK(field.find('|') == std::string::npos, "no bar in a field");
        FUZZ_CHECK(f.Camera == (fields.size() >= 3 ? fields[2] : std::string()), "camera is the third field");
        FUZZ_CHECK(f.PreAlarm == (fields.size() >= 10 && fields[9] == "pre"), "pre only for \"pre\"");
        if (fields.empty()) {
            FUZZ_CHECK(f.SerialNumber == 0 && f.Issue == 0 && f.EventTime == 0 && f.BeginTime == 0 &&
                           f.EndTime == 0 && f.Width == 0 && f.Height == 0 && f.FPS == 0 && f.Frames == 0,
                       "no field: every default");
        }
    }
    return 0;
}
