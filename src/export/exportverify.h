// Checking an export: an MP4's every signature (each on the file as it was
// when it was made), the manifest's detached signature, the export's digest
// and every picture's digest recomputed from the container's packets.
#pragma once

#include <string>
#include <vector>

enum class TVerifyStatus {
    Holds = 0,     // every check holds and every signer's chain is trusted
    Mismatch = 1,  // a digest or signature does not match (or nothing to check)
    IOError = 3,   // the export or a file beside it cannot be read
    Untrusted = 4, // everything matches, but no trusted chain was given or found
};

struct TVerifyLine {
    std::string Text;
    bool Holds = true;
};

struct TVerifyReport {
    std::vector<TVerifyLine> Lines;
    TVerifyStatus Status = TVerifyStatus::Holds;
};

// Checks the export at `path` with OUT.sha256 and OUT.sha256.p7s beside it
// when they are there; `caFile` (PEM) names the trusted authorities, the
// system's store is used without one.
TVerifyReport VerifyExport(const std::string& path, const std::string& caFile);
