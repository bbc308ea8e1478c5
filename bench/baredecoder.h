// TBareDecoder: the reference the benchmarks compare the program with, a bare
// libjpeg-turbo decode at the program's settings (accurate integer DCT,
// fancy upsampling, JCS_EXT_BGRX) into one reused buffer.
#pragma once

#include "core/sharedbytes.h"

#include <cstdint>
#include <vector>

#include <jpeglib.h>

class TBareDecoder {
public:
    TBareDecoder();
    ~TBareDecoder();
    TBareDecoder(const TBareDecoder&) = delete;
    TBareDecoder& operator=(const TBareDecoder&) = delete;

    // Aborts the program on a decoding error: benchmark inputs are sound.
    void Decode(const TSharedBytes& data);
    const uint8_t* Pixels() const { return FPixels.data(); }

private:
    jpeg_decompress_struct FInfo{};
    jpeg_error_mgr FError{};
    std::vector<uint8_t> FPixels;
    std::vector<JSAMPROW> FRows;
};
