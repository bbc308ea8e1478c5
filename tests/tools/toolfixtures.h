// What the mjpgtool tests add to the fixture library: the header pack writes
// when no option is given.
#pragma once

#include "fixtures/files.h"
#include "fixtures/fragmentbuilder.h"

#include <string>

// The writer's form of a header with nothing set: no camera, zero times,
// 25 fps, boundary "mjpgboundary" (pack fills in the size and frame count).
fixture::THeaderLines PackDefaults();

