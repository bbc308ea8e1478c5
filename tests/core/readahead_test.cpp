// Reading a file ahead: the bytes are given once, to the same file only,
// and only while it is as it was read.
#include "core/readahead.h"
#include "fixtures/files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

// An open descriptor of a file, closed with it.
class TOpenFile {
public:
    explicit TOpenFile(const std::string& path) : FFd(open(path.c_str(), O_RDONLY)) {}
    ~TOpenFile()
    {
        if (FFd >= 0)
            close(FFd);
    }
    int Fd() const { return FFd; }

private:
    int FFd;
};

std::string Text(const TSharedBytes& bytes)
{
    return std::string(reinterpret_cast<const char*>(bytes.Memory()), static_cast<size_t>(bytes.Size()));
}

// Sets the file's time of last change, as a write would move it.
void Touch(const std::string& path, time_t seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

} // namespace

TEST(ReadAhead, TheSameFileGetsItsBytesOnce)
{
    const fixture::TScratchFolder dir;
    const std::string content(3 * 1024 * 1024 + 17, 'x');
    fixture::WriteFileBytes(dir / "a.mjpg", content);
    TFileReadAhead ahead(dir / "a.mjpg");
    const TOpenFile file(dir / "a.mjpg");
    const std::optional<TSharedBytes> bytes = ahead.Take(file.Fd());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(Text(*bytes), content);
    EXPECT_FALSE(ahead.Take(file.Fd())); // once
}

TEST(ReadAhead, AnotherOrAChangedFileGetsNothing)
{
    const fixture::TScratchFolder dir;
    fixture::WriteFileBytes(dir / "a.mjpg", "first");
    fixture::WriteFileBytes(dir / "b.mjpg", "first");
    Touch(dir / "a.mjpg", 1000000000);
    Touch(dir / "b.mjpg", 1000000000);
    struct TCase {
        const char* What;
        std::function<void()> Change; // after the read, before the take
        const char* Opened;
    } cases[] = {
        {"unchanged", [] {}, "a.mjpg"},
        {"another file of the same content and time", [] {}, "b.mjpg"},
        {"written to", [&] { fixture::WriteFileBytes(dir / "a.mjpg", "second"); }, "a.mjpg"},
        {"the same size, a later time", [&] { Touch(dir / "a.mjpg", 1000000001); }, "a.mjpg"},
        {"replaced by another file",
         [&] { ASSERT_EQ(std::rename((dir / "b.mjpg").c_str(), (dir / "a.mjpg").c_str()), 0); }, "a.mjpg"},
        {"removed", [&] { std::remove((dir / "a.mjpg").c_str()); }, nullptr},
    };
    for (const TCase& c : cases) {
        fixture::WriteFileBytes(dir / "a.mjpg", "first");
        fixture::WriteFileBytes(dir / "b.mjpg", "first");
        Touch(dir / "a.mjpg", 1000000000);
        Touch(dir / "b.mjpg", 1000000000);
        TFileReadAhead ahead(dir / "a.mjpg");
        ahead.Wait();
        c.Change();
        const TOpenFile file(dir / (c.Opened ? c.Opened : "a.mjpg"));
        const std::optional<TSharedBytes> bytes = ahead.Take(file.Fd());
        EXPECT_EQ(bytes.has_value(), std::string(c.What) == "unchanged") << c.What;
    }
}

TEST(ReadAhead, AFileThatCannotBeReadGetsNothing)
{
    const fixture::TScratchFolder dir;
    fixture::WriteFileBytes(dir / "b.mjpg", "content");
    TFileReadAhead ahead(dir / "missing.mjpg");
    const TOpenFile file(dir / "b.mjpg");
    EXPECT_FALSE(ahead.Take(file.Fd()));
}

// What the thread does next gets the bytes read, before they can be taken;
// nothing follows a read that failed.
TEST(ReadAhead, WhatFollowsTheReadGetsTheBytesTaken)
{
    const fixture::TScratchFolder dir;
    fixture::WriteFileBytes(dir / "a.mjpg", "content");
    TSharedBytes followed;
    int follows = 0;
    TFileReadAhead ahead(dir / "a.mjpg", [&](const TSharedBytes& bytes) {
        followed = bytes;
        ++follows;
    });
    const TOpenFile file(dir / "a.mjpg");
    const std::optional<TSharedBytes> bytes = ahead.Take(file.Fd());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(follows, 1);
    EXPECT_TRUE(followed.SharesBlockWith(*bytes));
    EXPECT_EQ(followed.Memory(), bytes->Memory());
    EXPECT_EQ(Text(followed), "content");

    bool followedMissing = false;
    TFileReadAhead missing(dir / "missing.mjpg", [&](const TSharedBytes&) { followedMissing = true; });
    missing.Wait();
    EXPECT_FALSE(followedMissing);
    // A step that fails leaves the bytes to whoever takes them.
    TFileReadAhead failing(dir / "a.mjpg", [](const TSharedBytes&) { throw std::runtime_error("no"); });
    EXPECT_TRUE(failing.Take(file.Fd()));
}

TEST(ReadAhead, TheProgramsReadAheadIsStartedOnceAndTakenOnce)
{
    const fixture::TScratchFolder dir;
    fixture::WriteFileBytes(dir / "a.mjpg", "first");
    fixture::WriteFileBytes(dir / "b.mjpg", "second");
    const TOpenFile a(dir / "a.mjpg");
    EXPECT_FALSE(ReadAhead::Take(a.Fd())); // none started
    ReadAhead::Start(dir / "a.mjpg");
    ReadAhead::Start(dir / "b.mjpg"); // nothing: one file per program
    const TOpenFile b(dir / "b.mjpg");
    EXPECT_FALSE(ReadAhead::Take(b.Fd()));
    EXPECT_FALSE(ReadAhead::Take(a.Fd())); // the take above used it up
}
