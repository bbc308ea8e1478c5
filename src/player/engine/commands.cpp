// The actions' names, in the order of the commands.
#include "commands.h"

#include <iterator>

namespace {

constexpr const char* Names[] = {
    "actFirstFrame",   "actPriorFrame",  "actPlayBack",    "actPause",       "actStop",
    "actPlay",         "actNextFrame",   "actLastFrame",   "actSaveFrame",   "actOpenFile",
    "actSaveFile",     "actPrintReport", "actStretch",     "actNormalSize",  "actShowManager",
    "actHideManager",  "actShowDTInterval", "actZoom50",   "actZoom100",     "actZoom200",
    "actZoomFree",     "actCancelLoad",  "actSpeedQuarter", "actSpeedHalf",  "actSpeedNormal",
    "actSpeedDouble",  "actSpeed4",      "actSpeed8",      "actSpeed16",     "actSpeedUp",
    "actSpeedDown",
};
static_assert(std::size(Names) == PlayerCommandCount, "one name for each command");

} // namespace

const char* ActionName(TPlayerCommand command)
{
    return Names[static_cast<size_t>(command)];
}
