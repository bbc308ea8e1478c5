// The program's version information, read the way the desktop's version API
// reads it: the size of the block, the block itself from the executable
// file, and values looked up by key ("\VarFileInfo\Translation",
// "\StringFileInfo\<lang><codepage>\<Name>").
//
// The build embeds the block in the executable's ".mjpgversion" section; the
// reader finds that section in the ELF file on disk, so what is shown is what
// the file carries.
#pragma once

#include <cstdint>
#include <string>

// Size in bytes of the version block of the executable at path, 0 when the
// file has none or cannot be read.
uint32_t GetFileVersionInfoSizeA(const std::string& path);
// Copies the version block (at most size bytes) into data; false on failure.
bool GetFileVersionInfoA(const std::string& path, uint32_t size, void* data);
// Finds the value of key in a block read by GetFileVersionInfoA. For
// "\VarFileInfo\Translation" the value is a list of 16-bit language and
// code page pairs; string values are NUL-terminated 8-bit texts.
bool VerQueryValueA(const void* block, const std::string& key, const void** value, uint32_t* length);

// The about box's steps: the FileVersion text of the first translation, or
// an empty text when any step fails.
std::string ReadFileVersionText(const std::string& executablePath);
