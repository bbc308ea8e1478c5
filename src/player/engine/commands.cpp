// The actions' names, in the order of the commands.
#include "commands.h"

const char* ActionName(TPlayerCommand command)
{
    static const char* const names[PlayerCommandCount] = {
        "actFirstFrame", "actPriorFrame", "actPlayBack",   "actPause",     "actStop",          "actPlay",
        "actNextFrame",  "actLastFrame",  "actSaveFrame",  "actOpenFile",  "actSaveFile",      "actPrintReport",
        "actStretch",    "actNormalSize", "actShowManager", "actHideManager", "actShowDTInterval", "actZoom50",
        "actZoom100",    "actZoom200",    "actZoomFree",   "actCancelLoad",
    };
    return names[static_cast<size_t>(command)];
}
