// Making the close of one file fail, as a network file system or a full
// quota makes it fail after every write went through: the descriptor is
// released and close reports EIO.
//
// Linked into a test program, this replaces close() for the whole process
// (every other descriptor is closed as usual). Built as the preload module
// mjpg_failingclose_preload, it does the same in a child process for the
// path named by the environment variable MJPG_FAIL_CLOSE_OF.
#pragma once

#include <string>

// Every later close of a descriptor open on this path, or on its temporary
// stand-in (".NAME.XXXXXX" beside it, which takes the name when complete),
// fails; an empty path ends that.
void FailClosesOf(const std::string& path);
// How many closes failed so far.
int FailedCloses();
