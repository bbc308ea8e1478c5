// A module by the export module's name that another version of the program
// built: the programs must refuse it before calling any of its functions.
#include "export/exportmodule.h"

extern "C" __attribute__((visibility("default"))) const TExportModuleFunctions* MjpgExportModuleFunctions()
{
    static const TExportModuleFunctions functions{"0.0-other", 0, nullptr, nullptr, nullptr, nullptr, nullptr};
    return &functions;
}
