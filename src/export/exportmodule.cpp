// Opening the export module on first use (see exportmodule.h).
#include "exportmodule.h"
#include "exportlayout.h"

#include "programinfo/programversion.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

std::mutex ModuleMutex;
const TExportModuleFunctions* Functions = nullptr; // guarded by ModuleMutex until set

// The folders the program's own library search path names: its RUNPATH
// (and LD_LIBRARY_PATH, and the system's folders), as the dynamic loader
// reports them for the program itself. They are asked for explicitly: a
// plain name given to dlopen is looked up in the path of whoever calls it,
// which under a sanitizer is the sanitizer's library.
std::vector<std::string> ProgramSearchPath()
{
    std::vector<std::string> folders;
    void* self = dlopen(nullptr, RTLD_NOW);
    if (!self)
        return folders;
    Dl_serinfo size;
    if (dlinfo(self, RTLD_DI_SERINFOSIZE, &size) == 0 && size.dls_size >= sizeof(Dl_serinfo)) {
        std::vector<std::max_align_t> storage(size.dls_size / sizeof(std::max_align_t) + 1);
        auto* info = reinterpret_cast<Dl_serinfo*>(storage.data());
        info->dls_size = size.dls_size;
        info->dls_cnt = size.dls_cnt;
        if (dlinfo(self, RTLD_DI_SERINFO, info) == 0)
            for (unsigned i = 0; i < info->dls_cnt; ++i)
                if (info->dls_serpath[i].dls_name && *info->dls_serpath[i].dls_name)
                    folders.emplace_back(info->dls_serpath[i].dls_name);
    }
    dlclose(self);
    return folders;
}

// The build tree's programs, tests and benchmarks carry the build folder
// in their library search path (which installing them removes): there the
// module is found beside mjpgplayer. An installed program finds no module
// of that name in the system's folders and opens the one in the package's
// private library folder.
void* OpenModule(std::string& reason)
{
    for (const std::string& folder : ProgramSearchPath()) {
        const std::string path = folder + "/" + kExportModuleFile;
        if (access(path.c_str(), F_OK) == 0)
            if (void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
                return handle;
    }
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
