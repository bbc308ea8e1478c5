// The options of mjpgtool pack and the header they describe. Every text is
// checked so that the fragment reads back with exactly the values given.
#pragma once

#include "commandline.h"
#include "commands.h"

#include "container/mjpgheader.h"

// Defaults of a packed fragment.
constexpr int32_t kDefaultFPS = 25;
inline const char* const kDefaultBoundary = "mjpgboundary";
inline const char* const kFrameContentType = "image/jpeg";

// Signature, version 1.0, camera, the three date-times, FPS, alarm flag and
// boundary from the options (texts converted from UTF-8 to code page 1251).
// Raises EUsageError for a value the header cannot hold or would read back
// differently.
void ApplyPackOptions(const TArguments& cl, TMJPGHeader& header);
