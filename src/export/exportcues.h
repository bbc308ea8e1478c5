// The first exported picture's time as the MP4's start time (cstb)
// gives it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class TMJPGImage;
struct TExportOptions;

// The first exported frame's time in UTC as 100 ns ticks since
// 1601-01-01; none when the recorder's zone is not known.
std::optional<uint64_t> ExportStartFileTime(const TMJPGImage& image, const TExportOptions& options, int32_t from);
