// Crafted MJPG byte strings for the tests.
#pragma once

#include <string>

namespace frag {

inline const std::string CRLF = "\r\n";

// The header lines of a typical fragment, after the first line.
inline const std::string ExampleLines = "Camera: 3\r\n"
                                        "Event: 05.03.2007 14:02:09\r\n"
                                        "Begin: 05.03.2007 14:02:00\r\n"
                                        "End: 05.03.2007 14:02:20\r\n"
                                        "Width: 640\r\n"
                                        "Height: 480\r\n"
                                        "FPS: 5\r\n"
                                        "Frames: 2\r\n"
                                        "Alarm: Post\r\n"
                                        "Content-Type: multipart/x-mixed-replace; boundary=abcd\r\n";

// A header: the first line, the given lines, the empty line that ends it.
inline std::string Header(const std::string& lines = ExampleLines,
                          const std::string& first = "MJPG/1.0 Multipart JPEG stream")
{
    return first + CRLF + lines + CRLF;
}

// One part as the writer emits it.
inline std::string Part(const std::string& data, const std::string& delimiter = "abcd",
                        const std::string& contentType = "image/jpeg")
{
    return delimiter + CRLF + "Content-Type: " + contentType + CRLF + "Content-Length: " +
           std::to_string(data.size()) + CRLF + CRLF + data + CRLF;
}

// A part with a length line of our own (or none when lengthLine is empty),
// and what follows the data.
inline std::string RawPart(const std::string& lengthLine, const std::string& data,
                           const std::string& afterData = CRLF, const std::string& delimiter = "abcd")
{
    std::string s = delimiter + CRLF + "Content-Type: image/jpeg" + CRLF;
    if (!lengthLine.empty())
        s += lengthLine + CRLF;
    return s + CRLF + data + afterData;
}

// Data with bytes a line reader must not trip over.
inline std::string Data(int n, char seed)
{
    std::string d;
    for (int i = 0; i < n; ++i) {
        const int k = (i * 131 + seed * 7) % 11;
        d += k == 0 ? '\r' : k == 1 ? '\n' : k == 2 ? '\0' : static_cast<char>(seed + i % 50);
    }
    return d;
}

} // namespace frag
