// Each exported picture's own time as the cues and the MP4's start time
// give it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class TMJPGImage;
struct TExportOptions;

// "15.05.2024 10:30:00.040 · кадр 1 · Камера 1": the frame's wall-clock
// time (the recording's begin plus index / FPS), its index and the camera.
std::string ExportCueText(const TMJPGImage& image, int32_t index);

// The first exported frame's time in UTC as 100 ns ticks since
// 1601-01-01; none when the recorder's zone is not known.
std::optional<uint64_t> ExportStartFileTime(const TMJPGImage& image, const TExportOptions& options, int32_t from);
