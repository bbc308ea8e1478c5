// Writing a decoded picture as an uncompressed Windows bitmap file (BMP):
// 24-bit colour, or 8-bit with its palette.
#pragma once

#include "core/streams.h"
#include "jpegpicture.h"

// Accepts BGR24 and Indexed8 pictures (BGRX32 is written as 24-bit colour).
// Raises EWriteError when the stream stores fewer bytes.
void WriteBitmapFile(TStream& stream, const TDecodedPicture& picture);
