// The boxes that make a fragmented MP4 an ONVIF export file: the file-level
// `meta` right after `ftyp` (`hdlr`, `suep` naming the exporting unit, the
// operator and the camera, `cstb` with the first picture's UTC time) and
// the seal `ipro` → `sinf` (`schm` 'oeff', `schi` with `sibo`, `cert` and
// optionally `auib`): an RSASSA-PSS signature over the whole file with its
// own signature bytes zeroed. Signing a file again appends a `sinf`.
#pragma once

#include "exportsigning.h"

#include "core/sha256.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct TSurveillanceExport {
    std::string UnitName;   // "mjpgplayer VERSION on HOSTNAME"
    int64_t ExportTime = 0; // when the export started, seconds since 1970 UTC
    std::string Operator;
    uint32_t TrackId = 1;
    std::string SourceName; // the camera
    // The first picture's time, 100 ns ticks since 1601-01-01 UTC; none
    // when the recorder's zone is not known.
    std::optional<uint64_t> StartTime;
};

// The file-level meta box, sealed with one signing whose signature bytes
// are still zero when a key is given.
struct TOnvifMeta {
    std::string Bytes;
    size_t SignatureOffset = 0; // in Bytes; 0 without a key
    size_t SignatureSize = 0;
};
TOnvifMeta OnvifMetaBox(const TSurveillanceExport& info, const TSigningKey* key);

// SHA-256 on a thread of its own, so that hashing an export's bytes takes
// no time from the thread that muxes and writes them: Add copies the bytes
// into blocks the thread hashes in order, holding a few at a time.
class TBackgroundSha256 {
public:
    TBackgroundSha256();
    ~TBackgroundSha256();
    TBackgroundSha256(const TBackgroundSha256&) = delete;
    TBackgroundSha256& operator=(const TBackgroundSha256&) = delete;
    void Add(const void* data, size_t size);
    // The 32 bytes of the digest of everything added, once the thread has
    // hashed it all; ends the digest. Raises EError when libcrypto failed.
    std::string Digest();

private:
    static constexpr size_t kBlockSize = 1 << 20;
    static constexpr size_t kBlocksQueued = 8;
    TSha256 FHash;
    std::mutex FLock;
    std::condition_variable FChanged;
    std::deque<std::vector<char>> FQueue;
    std::vector<std::vector<char>> FSpare;
    std::vector<char> FFilling;
    bool FEnd = false;     // nothing more comes
    bool FAbandon = false; // nor is the digest wanted
    bool FFinished = false;
    std::exception_ptr FError;
    std::thread FThread; // last: starts when the rest exists
    void Queue();
    void Run();
    void Stop();
};

// The muxer's bytes on their way to the file: the meta box goes in right
// after the first box (ftyp), and everything written is hashed for the
// signature.
class TOnvifStream {
public:
    using TOut = std::function<bool(const uint8_t* data, size_t size)>;
    TOnvifStream(TOnvifMeta meta, bool hash);
    // False when `out` failed.
    bool Write(const uint8_t* data, size_t size, const TOut& out);
    // Whether the meta box went in (the muxer wrote its ftyp).
    bool Complete() const { return FInserted; }
    // Where the signature bytes are in the file.
    uint64_t SignatureFileOffset() const { return FFtypSize + FMeta.SignatureOffset; }
    size_t SignatureSize() const { return FMeta.SignatureSize; }
    // The SHA-256 of everything written (the signature bytes zero).
    std::string Digest() { return FHash ? FHash->Digest() : std::string(); }

private:
    TOnvifMeta FMeta;
    std::unique_ptr<TBackgroundSha256> FHash;
    std::string FPending;
    bool FInserted = false;
    uint64_t FFtypSize = 0;
    bool Pass(const uint8_t* data, size_t size, const TOut& out);
};

// A signed MP4 export's seals as found in the file.
struct TSealEntry {
    std::string CertificateDer;
    std::string Signature;
    std::string Note; // auib, empty when none
    // The SHA-256 over the file as it was when this signing was made.
    std::string Digest;
};
struct TSealReport {
    bool HasMeta = false;   // a file-level meta after ftyp
    bool Readable = true;   // the boxes hold together
    std::string Problem;    // why not, for the message
    std::vector<TSealEntry> Seals;
    // The SHA-256 (hex) of the file as it was before each later signing:
    // [k] with the signings after the (k+1)-th removed, nothing zeroed. A
    // manifest written with the export names the first.
    std::vector<std::string> EarlierFileDigests;
};
// Reads the seals and computes each one's digest in one pass over the
// file; raises EError (I/O) when the file cannot be read.
TSealReport ReadSeals(const std::string& path);

// Appends a signing (with the note in auib) to the MP4's seal, writing the
// file anew under a temporary name that replaces it when complete. Raises
// ESigningError when the file is not an export this can sign, EError for
// I/O.
void CounterSignMp4(const std::string& path, const TSigningKey& key, const std::string& note);
