// Opening the export module on first use (see exportmodule.h).
#include "exportmodule.h"
#include "exportlayout.h"

#include "programinfo/programversion.h"

#include <dlfcn.h>
#include <cstring>
#include <mutex>

namespace {

std::mutex ModuleMutex;
const TExportModuleFunctions* Functions = nullptr; // guarded by ModuleMutex until set

// The build tree's programs, tests and benchmarks carry the build folder
// in their library search path (which installing them removes): there the
// module is found by its name beside mjpgplayer. An installed program finds
// no module by that name in the system's folders and opens the one in the
// package's private library folder.
void* OpenModule(std::string& reason)
{
    if (void* handle = dlopen(kExportModuleFile, RTLD_NOW | RTLD_LOCAL))
        return handle;
    void* handle = dlopen(ExportModule::ModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = dlerror();
        reason = error ? error : "неизвестная ошибка";
    }
    return handle;
}

const TExportModuleFunctions& Open()
{
    const std::lock_guard<std::mutex> lock(ModuleMutex);
    if (Functions)
        return *Functions;
    const std::string path = ExportModule::ModulePath();
    auto fail = [&](const std::string& why) -> EExportError {
        return EExportError("Не могу загрузить модуль экспорта \"" + path + "\": " + why);
    };
    // Kept open for the rest of the process: its functions may run on any
    // thread until the program ends.
    std::string reason;
    void* handle = OpenModule(reason);
    if (!handle)
        throw fail(reason);
    auto entry = reinterpret_cast<const TExportModuleFunctions* (*)()>(dlsym(handle, kExportModuleEntry));
    const TExportModuleFunctions* functions = entry ? entry() : nullptr;
    if (!functions)
        throw fail("нет точки входа");
    if (std::strcmp(functions->Version, MJPG_PROGRAM_VERSION) != 0 || functions->Layout != ExportModuleLayout())
        throw fail(std::string("модуль другой версии (") + functions->Version + ")");
    Functions = functions;
    return *Functions;
}

} // namespace

namespace ExportModule {

std::string ModulePath()
{
    return std::string(MJPG_EXPORT_MODULE_INSTALL_DIR) + "/" + kExportModuleFile;
}

void Load()
{
    Open();
}

bool Loaded()
{
    const std::lock_guard<std::mutex> lock(ModuleMutex);
    return Functions != nullptr;
}

TExportResult ExportFragment(const TMJPGImage& image, const std::string& path, const TExportOptions& options)
{
    return Open().ExportFragment(image, path, options);
}

void CheckExportRange(const TMJPGImage& image, int32_t from, int32_t to)
{
    Open().CheckExportRange(image, from, to);
}

std::optional<TExportContainer> ContainerForPath(const std::string& path)
{
    return Open().ContainerForPath(path);
}

std::string LoginName()
{
    return Open().LoginName();
}

TVerifyReport VerifyExport(const std::string& path, const std::string& caFile)
{
    const TExportModuleFunctions* functions = nullptr;
    try {
        functions = &Open();
    } catch (const EExportError& e) {
        TVerifyReport report;
        report.Lines.push_back({e.what(), false});
        report.Status = TVerifyStatus::IOError;
        return report;
    }
    return functions->VerifyExport(path, caFile);
}

} // namespace ExportModule
