// Exception types raised by the core helpers. Every error carries a message
// meant for the user; handlers show what() as it stands.
#pragma once

#include <stdexcept>
#include <string>

class EError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A text that is not a valid date, time or number.
class EConvertError : public EError {
public:
    using EError::EError;
};

// A stream that cannot read, write or seek as asked.
class EStreamError : public EError {
public:
    using EError::EError;
};

// A file that cannot be opened for reading.
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A file that cannot be created or opened for writing.
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A stream that stored fewer bytes than asked (a full disk, a broken pipe).
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A stream that delivered fewer bytes than asked.
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A file the system failed to read (an input/output error, not the end of
// the file): what was asked for exists but cannot be had.
class EInOutError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// Not enough memory for a buffer a stream was asked to hold.
class EOutOfMemory : public EError {
public:
    using EError::EError;
};
