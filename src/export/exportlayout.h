// The sizes of the types the programs and the export module pass each
// other, added up: a module built from other sources than its program is
// told apart by it (with the version).
#pragma once

#include "container/mjpgframe.h"
#include "container/mjpgheader.h"
#include "container/mjpgimage.h"
#include "export/exportverify.h"
#include "export/videoexport.h"

#include <cstddef>

inline size_t ExportModuleLayout()
{
    return sizeof(TExportOptions) + 3 * sizeof(TExportResult) + 5 * sizeof(TVerifyReport) +
           7 * sizeof(TMJPGImage) + 11 * sizeof(TMJPGFrame) + 13 * sizeof(TMJPGHeader) + 17 * sizeof(TSigningKey) +
           19 * sizeof(TExportZone);
}
