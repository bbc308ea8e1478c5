// Encoding pictures as JPEG with libjpeg, for the sample fragment, test
// fixtures and benchmarks (the program itself never encodes: snapshots keep
// the frame's own bytes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// rgb: width * height * 3 bytes, rows top to bottom. Quality 1..100.
std::vector<uint8_t> EncodeJPEG(const uint8_t* rgb, int width, int height, int quality = 85);

// A solid-colour picture, handy for small fixtures.
std::vector<uint8_t> EncodeSolidJPEG(int width, int height, uint8_t r, uint8_t g, uint8_t b, int quality = 85);

// How a four-colour picture is stored: plain CMYK without Adobe's marker, or
// as Adobe's programs write it, with the marker, as CMYK or as YCCK. The
// samples are stored as given: an Adobe picture is expected to hold inverted
// values (255 - ink), as those programs write them.
enum class TCMYKStorage { Plain, AdobeCMYK, AdobeYCCK };

// cmyk: width * height * 4 bytes (C M Y K), rows top to bottom.
std::vector<uint8_t> EncodeCMYKJPEG(const uint8_t* cmyk, int width, int height, TCMYKStorage storage,
                                    int quality = 95);
