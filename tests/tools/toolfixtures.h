// Fixtures for the mjpgtool tests: files, JPEG pictures from the sample
// encoder, fragments written out byte by byte, and SHA-256 digests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// A small solid-colour JPEG picture; the colour index makes the bytes differ.
std::string MakeJpeg(int width, int height, int colour);

// SHA-256 as lower-case hex, computed here with OpenSSL independently of the
// program under test.
std::string Sha256Of(const std::string& bytes);

// The twelve header lines exactly as the writer emits them.
struct THeaderText {
    std::string Camera;          // code page 1251 bytes
    std::string Event = "30.12.1899 00:00:00";
    std::string Begin = "30.12.1899 00:00:00";
    std::string End = "30.12.1899 00:00:00";
    int Width = 0, Height = 0, FPS = 25, Frames = 0;
    bool PreAlarm = false;
    std::string Boundary = "mjpgboundary";

    std::string Text() const;
};

// One part as the writer emits it: delimiter line, content type, length,
// empty line, the data, CR LF.
std::string PartText(const std::string& delimiter, const std::string& contentType, const std::string& data);
