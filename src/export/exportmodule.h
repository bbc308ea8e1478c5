// The export as a module of its own (mjpgexport.so): libavformat, its codecs
// and their dependencies are loaded only when an export, or a check of one,
// is first asked for, never at a program's start. The programs reach the
// export through the functions of ExportModule below, which open the module
// on first use; the module gives them through one table of functions.
//
// The module is built from the same sources as the programs that open it
// and shares their types (images, options with their callbacks, exceptions):
// the table carries the version and the sizes of those types, and a module
// that does not match is refused.
#pragma once

#include "export/exportverify.h"
#include "export/videoexport.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

struct TExportModuleFunctions {
    const char* Version; // the program's version
    size_t Layout;       // the sizes of the types passed, added up
    TExportResult (*ExportFragment)(const TMJPGImage& image, const std::string& path, const TExportOptions& options);
    void (*CheckExportRange)(const TMJPGImage& image, int32_t from, int32_t to);
    std::optional<TExportContainer> (*ContainerForPath)(const std::string& path);
    std::string (*LoginName)();
    TVerifyReport (*VerifyExport)(const std::string& path, const std::string& caFile);
};

// The module's one entry point.
extern "C" const TExportModuleFunctions* MjpgExportModuleFunctions();
inline constexpr const char* kExportModuleEntry = "MjpgExportModuleFunctions";
inline constexpr const char* kExportModuleFile = "mjpgexport.so";

// What the programs call. Each opens the module when it is not open yet;
// a module that cannot be opened raises EExportError naming it and why
// (VerifyExport reports it as a line of an IOError report instead).
namespace ExportModule {

// Opens the module now; raises EExportError when it cannot.
void Load();
// Whether the module is open in this process.
bool Loaded();
// The installed module, in the package's private library folder; the build
// tree's programs open the one beside mjpgplayer.
std::string ModulePath();

TExportResult ExportFragment(const TMJPGImage& image, const std::string& path, const TExportOptions& options);
void CheckExportRange(const TMJPGImage& image, int32_t from, int32_t to);
std::optional<TExportContainer> ContainerForPath(const std::string& path);
std::string LoginName();
TVerifyReport VerifyExport(const std::string& path, const std::string& caFile);

} // namespace ExportModule
