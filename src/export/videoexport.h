// Exporting a fragment to a container any player opens (Matroska, AVI with
// the OpenDML extension) by stream copy: every frame with data becomes one
// packet holding its JPEG bytes unchanged, at the frame's own time. Plain
// C++ over libavformat; nothing is decoded or encoded.
#pragma once

#include "core/errors.h"
#include "core/replacingfile.h"
#include "export/exporttime.h"
#include "export/exportsigning.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class TMJPGImage;

enum class TExportContainer { Matroska, Avi, Mp4 };

// From the path's extension, ".mkv", ".avi" or ".mp4" in any case; none otherwise.
std::optional<TExportContainer> ContainerForPath(const std::string& path);

// An export that cannot be carried out as asked (no frame with data, a
// range outside the fragment, no frame rate): nothing was written.
class EExportInputError : public EError {
public:
    using EError::EError;
};

// An export that failed while the file was written (the system's reason in
// the text); no file was left behind and an existing one is untouched.
class EExportError : public EError {
public:
    using EError::EError;
};

// An export the caller cancelled through its progress callback.
class EExportCancelled : public EError {
public:
    using EError::EError;
};

struct TExportOptions {
    TExportContainer Container = TExportContainer::Matroska;
    // Frame indices as the player counts them, both included; -1 for To is
    // the last frame of the fragment.
    int32_t From = 0;
    int32_t To = -1;
    // Writes OUT.sha256 beside the export as well.
    bool Manifest = false;
    // The recorder's zone: without an offset every time is written as the
    // recorder's local time and labelled so, and no UTC field is written.
    TExportZone Zone;
    // Signs the manifest: given its text, returns a detached signature that
    // is written beside it as OUT.sha256.p7s. Unset: no signature (and one
    // of an earlier export of that name is removed).
    std::function<std::string(const std::string& manifest)> SignManifest;
    // The fragment's file, named in the manifest with its digest; empty for
    // a fragment that has no file (one fetched from the archive): the
    // manifest then gives the digest of SourceBytes, when set, in a comment.
    std::string SourcePath;
    const uint8_t* SourceBytes = nullptr;
    int64_t SourceSize = 0;
    // Called after every frame of the range with the frames done and the
    // frames in the range; returning false cancels the export.
    std::function<bool(int32_t done, int32_t total)> Progress;
    // Writes bytes to the temporary file; ::write unless a test replaces it
    // (a full disk). Returns what write(2) returns and sets errno.
    std::function<long(int fd, const void* data, unsigned long size)> Write;
    // Gives the finished files their names; rename(2) unless a test makes
    // one of them fail.
    TRenameFunction Rename = SystemRename;
    // MP4: who exports (suep); the unit defaults to ExportUnitName() and
    // the export's time (seconds since 1970 UTC) to now.
    std::string Operator;
    std::string UnitName;
    int64_t ExportTime = 0;
    // Signs the export: an MP4's own seal, and the manifest, when there is
    // one, in OUT.sha256.p7s.
    std::shared_ptr<const TSigningKey> Signer;
};

struct TExportResult {
    int32_t Packets = 0;     // frames with data written
    int32_t Frames = 0;      // frames in the range
    std::string ManifestPath; // empty without a manifest
    std::string SignaturePath; // empty without a signature
};

// The frames From..To checked against the fragment: raises
// EExportInputError when the range is outside it, empty, or holds no frame
// with data, or when the fragment is invalid or has no frame rate.
void CheckExportRange(const TMJPGImage& image, int32_t from, int32_t to);

// Writes the export (and the manifest, and its signature) to temporary files
// in the target's folder and gives them their names only when all are
// complete, as one step: the manifest and signature of an earlier export of
// that name are replaced, or removed when this export has none. Raises
// EExportInputError, EExportError or EExportCancelled, leaving no file and
// the earlier files as they were.
TExportResult ExportFragment(const TMJPGImage& image, const std::string& path, const TExportOptions& options);

// The manifest's path for an export: OUT with ".sha256" appended; its
// detached signature's: OUT.sha256.p7s.
std::string ManifestPathFor(const std::string& path);
std::string SignaturePathFor(const std::string& path);

// The metadata written with the export (UTF-8). The title and comment give
// the recorder's local times; the comment says so, with the zone's offset
// when it is known.
std::string ExportTitle(const TMJPGImage& image);
std::string ExportComment(const TMJPGImage& image, const TExportZone& zone);
// The event time in UTC as an ISO 8601 creation time
// ("2007-03-05T11:02:09.000000Z" for 14:02:09 at UTC+03:00); none when the
// zone is not known.
std::optional<std::string> ExportCreationTime(const TMJPGImage& image, const TExportZone& zone);

// The title of the Matroska track of the frames' own times.
extern const char* const kFrameTimeTrackTitle;
