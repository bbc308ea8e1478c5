// The export module's table of functions (see exportmodule.h).
#include "exportmodule.h"
#include "exportlayout.h"
#include "mp4export.h"

#include "programinfo/programversion.h"

extern "C" __attribute__((visibility("default"))) const TExportModuleFunctions* MjpgExportModuleFunctions()
{
    static const TExportModuleFunctions functions{
        MJPG_PROGRAM_VERSION, ExportModuleLayout(), &::ExportFragment, &::CheckExportRange,
        &::ContainerForPath,  &::LoginName,         &::VerifyExport,
    };
    return &functions;
}
