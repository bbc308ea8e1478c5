// Makes the system's reads of one file fail with an input/output error from
// an offset on, as a failing disk does, while an instance lives: the test
// program's pread and preadv (which the file stream uses) pass every other
// read through to the system.
#pragma once

#include <cstdint>
#include <string>

class TFailingReads {
public:
    TFailingReads(const std::string& path, int64_t fromOffset);
    ~TFailingReads();
    TFailingReads(const TFailingReads&) = delete;
    TFailingReads& operator=(const TFailingReads&) = delete;
};
