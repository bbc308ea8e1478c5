// Streams: memory and file streams, and the failures they must report.
#include "core/errors.h"
#include "core/streams.h"
#include "failingclose.h"
#include "fixtures/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string Contents(TMemoryStream& m)
{
    return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
}

} // namespace

TEST(MemoryStream, ReadWriteSeekSize)
{
    TMemoryStream m;
    EXPECT_EQ(m.Size(), 0);
    EXPECT_EQ(m.Position(), 0);
    m.WriteString("hello");
    EXPECT_EQ(m.Size(), 5);
    EXPECT_EQ(m.Position(), 5);
    EXPECT_EQ(m.Seek(-2, TSeekOrigin::soEnd), 3);
    char buf[8] = {};
    EXPECT_EQ(m.Read(buf, 8), 2);
    EXPECT_EQ(std::string(buf, 2), "lo");
    EXPECT_EQ(m.Read(buf, 8), 0) << "at the end";
    m.SetPosition(1);
    m.WriteString("EL");
    EXPECT_EQ(Contents(m), "hELlo");
    // Writing past the end fills the gap with zeros.
    m.SetPosition(7);
    m.WriteString("!");
    EXPECT_EQ(Contents(m), std::string("hELlo\0\0!", 8));
    EXPECT_THROW(m.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
    m.SetSize(2);
    EXPECT_EQ(m.Size(), 2);
    EXPECT_EQ(m.Position(), 2);
    m.Clear();
    EXPECT_EQ(m.Size(), 0);
    EXPECT_EQ(m.Position(), 0);
    EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
}

TEST(MemoryStream, PeekShowsBytesWithoutMoving)
{
    TMemoryStream m;
    m.WriteString("abcdef");
    m.SetPosition(2);
    TStream::TPeek p = m.Peek(3);
    ASSERT_NE(p.data, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data), static_cast<size_t>(p.size)), "cde");
    EXPECT_EQ(m.Position(), 2);
    p = m.Peek(100);
    EXPECT_EQ(p.size, 4);
    m.SetPosition(6);
    EXPECT_EQ(m.Peek(10).data, nullptr);
    m.SetPosition(60);
    EXPECT_EQ(m.Peek(10).data, nullptr);
}

TEST(MemoryStream, CopyFrom)
{
    TMemoryStream src;
    src.WriteString("0123456789");
    src.SetPosition(3);
    TMemoryStream dst;
    EXPECT_EQ(dst.CopyFrom(src, 4), 4);
    EXPECT_EQ(Contents(dst), "3456");
    EXPECT_EQ(src.Position(), 7);
    EXPECT_THROW(dst.CopyFrom(src, 4), EReadError) << "the source ends early";
    TMemoryStream whole;
    EXPECT_EQ(whole.CopyFrom(src, 0), 10) << "count 0 copies the whole source";
    EXPECT_EQ(Contents(whole), "0123456789");
}

TEST(MemoryStream, ReserveMakesRoomOnceForWhatFollows)
{
    for (const int64_t size : {int64_t(1000), int64_t(20) << 20}) { // a small block and one of huge pages
        TMemoryStream m;
        m.WriteString("head");
        m.Reserve(size);
        const uint8_t* block = m.Memory();
        const std::string piece(997, 'x');
        for (int64_t written = 0; written + 997 <= size; written += 997)
            m.WriteString(piece);
        EXPECT_EQ(m.Memory(), block) << "the block never moved while the reserved bytes came";
        EXPECT_EQ(m.Size(), 4 + size / 997 * 997);
        EXPECT_EQ(m.Memory()[0], 'h');
        EXPECT_EQ(m.Memory()[m.Size() - 1], 'x');
    }
    TMemoryStream empty;
    empty.Reserve(0);
    empty.Reserve(-5);
    EXPECT_EQ(empty.Size(), 0);
}

TEST(FileStream, WriteThenReadBack)
{
    fixture::TScratchFolder dir;
    const std::string path = dir / "a.bin";
    std::string data(100000, '\0');
    std::mt19937 rng(7);
    for (char& c : data)
        c = static_cast<char>(rng());
    {
        TFileStream f(path, TFileMode::fmCreate);
        f.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
        EXPECT_EQ(f.Size(), static_cast<int64_t>(data.size()));
    }
    EXPECT_EQ(fixture::ReadFileBytes(path), data);
    TFileStream f(path, TFileMode::fmOpenRead);
    EXPECT_EQ(f.Size(), static_cast<int64_t>(data.size()));
    // Small and large reads, seeks back and forth, peeks: all see the file.
    std::string got(data.size(), '\0');
    int64_t pos = 0;
    size_t step = 1;
    while (pos < f.Size()) {
        const TStream::TPeek p = f.Peek(static_cast<int64_t>(step));
        ASSERT_NE(p.data, nullptr);
        ASSERT_EQ(std::memcmp(p.data, data.data() + pos, static_cast<size_t>(p.size)), 0);
        const int64_t n = f.Read(got.data() + pos, static_cast<int64_t>(step));
        ASSERT_GT(n, 0);
        pos += n;
        ASSERT_EQ(f.Position(), pos);
        step = step * 3 % 40009 + 1;
    }
    EXPECT_EQ(got, data);
    EXPECT_EQ(f.Read(got.data(), 10), 0);
    f.Seek(-10, TSeekOrigin::soEnd);
    char tail[10];
    f.ReadBuffer(tail, 10);
    EXPECT_EQ(std::string(tail, 10), data.substr(data.size() - 10));
    f.SetPosition(5);
    TMemoryStream m;
    m.CopyFrom(f, 50000);
    EXPECT_EQ(Contents(m), data.substr(5, 50000));
}

TEST(FileStream, CopyFromAnotherStream)
{
    fixture::TScratchFolder dir;
    const std::string path = dir / "copy.bin";
    TMemoryStream src;
    src.WriteString(std::string(100000, 'q') + "tail");
    src.SetPosition(50);
    {
        TFileStream f(path, TFileMode::fmCreate);
        EXPECT_EQ(f.CopyFrom(src, 0), 100004) << "count 0 copies the whole source from its first byte";
        src.SetPosition(100000);
        EXPECT_EQ(f.CopyFrom(src, 4), 4);
        EXPECT_THROW(f.CopyFrom(src, 1), EReadError) << "the source is at its end";
    }
    EXPECT_EQ(fixture::ReadFileBytes(path), std::string(100000, 'q') + "tail" + "tail");
}

TEST(FileStream, OpeningAMissingFileNamesThePathAndTheReason)
{
    fixture::TScratchFolder dir;
    const std::string path = dir / "no such file.mjpg";
    try {
        TFileStream f(path, TFileMode::fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find(path), std::string::npos) << text;
        EXPECT_NE(text.find(SystemErrorText(ENOENT)), std::string::npos) << text;
    }
    EXPECT_THROW(TFileStream(path, TFileMode::fmOpenReadWrite), EFOpenError);
}

TEST(FileStream, OpeningAFolderFails)
{
    fixture::TScratchFolder dir;
    EXPECT_THROW(TFileStream(dir.Path().string(), TFileMode::fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(dir.Path().string(), TFileMode::fmCreate), EFCreateError);
}

TEST(FileStream, CreatingInAMissingFolderNamesThePathAndTheReason)
{
    fixture::TScratchFolder dir;
    const std::string path = dir / "missing/sub/out.mjpg";
    try {
        TFileStream f(path, TFileMode::fmCreate);
        FAIL() << "created a file in a missing folder";
    } catch (const EFCreateError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find(path), std::string::npos) << text;
        EXPECT_NE(text.find(SystemErrorText(ENOENT)), std::string::npos) << text;
    }
}

TEST(FileStream, AWriteToAFullDiskRaises)
{
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    TFileStream f("/dev/full", TFileMode::fmCreate);
    const std::string data(1000, 'x');
    EXPECT_LE(f.Write(data.data(), 1000), 0);
    try {
        f.WriteBuffer(data.data(), 1000);
        FAIL() << "a write to /dev/full passed";
    } catch (const EWriteError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("/dev/full"), std::string::npos) << text;
        EXPECT_NE(text.find(SystemErrorText(ENOSPC)), std::string::npos) << text;
    }
}

TEST(FileStream, AFailedCloseRaisesNamingTheFile)
{
    const fixture::TScratchFolder folder;
    const std::string path = folder / "closing.bin";
    const int before = FailedCloses();
    FailClosesOf(path);
    TFileStream f(path, TFileMode::fmCreate);
    f.WriteString("every byte written");
    try {
        f.Close();
        FailClosesOf({});
        FAIL() << "a failed close passed";
    } catch (const EWriteError& e) {
        FailClosesOf({});
        const std::string text = e.what();
        EXPECT_NE(text.find(path), std::string::npos) << text;
        EXPECT_NE(text.find(SystemErrorText(EIO)), std::string::npos) << text;
    }
    EXPECT_EQ(FailedCloses(), before + 1);
    f.Close(); // closed already: nothing more to do
    EXPECT_EQ(FailedCloses(), before + 1);

    // A close that succeeds says nothing.
    TFileStream g(path, TFileMode::fmOpenRead);
    EXPECT_NO_THROW(g.Close());
}

// Random reads (from one byte to well past the read-ahead), peeks, seeks
// and writes on a TFileStream give what the same steps give on a
// TMemoryStream over the same bytes: the file stream's buffering never
// shows through.
TEST(FileStream, RandomOperationsMatchAMemoryStream)
{
    fixture::TScratchFolder dir;
    std::mt19937 rng(1234);
    for (int round = 0; round < 6; ++round) {
        const bool writes = round >= 3;
        std::string data(static_cast<size_t>(50000 + rng() % 250000), '\0');
        for (char& c : data)
            c = static_cast<char>(rng());
        const std::string path = dir / ("r" + std::to_string(round));
        {
            std::ofstream f(path, std::ios::binary);
            f.write(data.data(), static_cast<std::streamsize>(data.size()));
        }
        TFileStream file(path, writes ? TFileMode::fmOpenReadWrite : TFileMode::fmOpenRead);
        TMemoryStream model;
        model.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
        model.SetPosition(0);
        std::vector<char> a(200000), b(200000);
        auto size = [&](int kind) -> int64_t {
            switch (kind) {
            case 0: return 1 + rng() % 100;
            case 1: return 400 + rng() % 9000;
            case 2: return 8191 + rng() % 3;
            case 3: return 16383 + rng() % 3;
            case 4: return 65535;
            default: return 20000 + rng() % 150000;
            }
        };
        for (int step = 0; step < 1500; ++step) {
            SCOPED_TRACE("round " + std::to_string(round) + " step " + std::to_string(step));
            const int op = static_cast<int>(rng() % (writes ? 8 : 7));
            if (op <= 2) {
                const int64_t n = size(static_cast<int>(rng() % 6));
                const int64_t x = file.Read(a.data(), n);
                const int64_t y = model.Read(b.data(), n);
                ASSERT_EQ(x, y) << "read of " << n;
                ASSERT_EQ(std::memcmp(a.data(), b.data(), static_cast<size_t>(x)), 0) << "read of " << n;
            } else if (op == 3) {
                const int64_t n = size(static_cast<int>(rng() % 5));
                const TStream::TPeek p = file.Peek(n);
                const TStream::TPeek q = model.Peek(n);
                ASSERT_EQ(p.data == nullptr, q.data == nullptr) << "peek of " << n;
                // A stream may show fewer bytes than asked, never other ones.
                ASSERT_LE(p.size, q.size);
                if (p.data) {
                    ASSERT_GT(p.size, 0);
                    ASSERT_EQ(std::memcmp(p.data, q.data, static_cast<size_t>(p.size)), 0) << "peek of " << n;
                }
            } else if (op == 4) {
                const int64_t to = static_cast<int64_t>(rng() % (model.Size() + 100));
                ASSERT_EQ(file.Seek(to, TSeekOrigin::soBeginning), model.Seek(to, TSeekOrigin::soBeginning));
            } else if (op == 5) {
                const int64_t by = static_cast<int64_t>(rng() % 200) - 100;
                if (model.Position() + by >= 0) {
                    ASSERT_EQ(file.Seek(by, TSeekOrigin::soCurrent), model.Seek(by, TSeekOrigin::soCurrent));
                }
            } else if (op == 6) {
                const int64_t by = -static_cast<int64_t>(rng() % 30000);
                if (model.Size() + by >= 0) {
                    ASSERT_EQ(file.Seek(by, TSeekOrigin::soEnd), model.Seek(by, TSeekOrigin::soEnd));
                }
            } else {
                const int64_t n = size(static_cast<int>(rng() % 6)) % 30000 + 1;
                for (int64_t i = 0; i < n; ++i)
                    a[static_cast<size_t>(i)] = static_cast<char>(rng());
                file.WriteBuffer(a.data(), n);
                model.WriteBuffer(a.data(), n);
            }
            ASSERT_EQ(file.Position(), model.Position());
            ASSERT_EQ(file.Size(), model.Size());
        }
    }
}
