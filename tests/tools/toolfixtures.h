// What the mjpgtool tests add to the fixture library: the header pack writes
// when no option is given, and SHA-256 digests computed here, apart from the
// program under test.
#pragma once

#include "fixtures/files.h"
#include "fixtures/fragmentbuilder.h"

#include <string>

// The writer's form of a header with nothing set: no camera, zero times,
// 25 fps, boundary "mjpgboundary" (pack fills in the size and frame count).
fixture::THeaderLines PackDefaults();

// SHA-256 as lower-case hex, with OpenSSL.
std::string Sha256Of(const std::string& bytes);
