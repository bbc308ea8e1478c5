// The pack defaults of the mjpgtool tests.
#include "toolfixtures.h"


fixture::THeaderLines PackDefaults()
{
    return {.Camera = "",
            .Event = fixture::ZeroTime,
            .Begin = fixture::ZeroTime,
            .End = fixture::ZeroTime,
            .Width = 0,
            .Height = 0,
            .FPS = 25,
            .Frames = 0,
            .Boundary = "mjpgboundary"};
}

