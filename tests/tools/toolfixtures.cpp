// Files, pictures, digests and writer-form texts for the mjpgtool tests.
#include "toolfixtures.h"

#include "jpegencode.h"

#include <fstream>
#include <iterator>
#include <openssl/evp.h>
#include <sstream>
#include <stdexcept>

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

std::string MakeJpeg(int width, int height, int colour)
{
    const auto r = static_cast<uint8_t>(40 * colour);
    const auto g = static_cast<uint8_t>(255 - 30 * colour);
    const auto b = static_cast<uint8_t>(90 + 70 * colour);
    const std::vector<uint8_t> jpeg = EncodeSolidJPEG(width, height, r, g, b);
    return std::string(jpeg.begin(), jpeg.end());
}

std::string Sha256Of(const std::string& bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("EVP_Digest failed");
    std::string hex;
    static const char digits[] = "0123456789abcdef";
    for (unsigned int i = 0; i < length; ++i) {
        hex += digits[digest[i] >> 4];
        hex += digits[digest[i] & 15];
    }
    return hex;
}

std::string THeaderText::Text() const
{
    std::ostringstream s;
    s << "MJPG/1.0 Multipart JPEG stream\r\n"
      << "Camera: " << Camera << "\r\n"
      << "Event: " << Event << "\r\n"
      << "Begin: " << Begin << "\r\n"
      << "End: " << End << "\r\n"
      << "Width: " << Width << "\r\n"
      << "Height: " << Height << "\r\n"
      << "FPS: " << FPS << "\r\n"
      << "Frames: " << Frames << "\r\n"
      << "Alarm: " << (PreAlarm ? "Pre" : "Post") << "\r\n"
      << "Content-Type: multipart/x-mixed-replace; boundary=" << Boundary << "\r\n"
      << "\r\n";
    return s.str();
}

std::string PartText(const std::string& delimiter, const std::string& contentType, const std::string& data)
{
    return delimiter + "\r\nContent-Type: " + contentType + "\r\nContent-Length: " + std::to_string(data.size()) +
           "\r\n\r\n" + data + "\r\n";
}
