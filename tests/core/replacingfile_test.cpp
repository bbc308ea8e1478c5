// Files replaced whole: the temporary file beside the target, its
// permissions, devices written in place, and a set of files replaced as one
// step in which a failure at any rename leaves the old set as it was.
#include "core/errors.h"
#include "core/hex.h"
#include "core/replacingfile.h"
#include "core/sha256.h"

#include "fixtures/files.h"

#include "../support/shellcommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace fixture;

namespace {

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

void Write(TReplacingFile& file, const std::string& text)
{
    file.Stream().WriteString(text);
}

} // namespace

TEST(Hex, DigitsOfEveryByteInBothCases)
{
    const uint8_t bytes[] = {0x00, 0x0a, 0x9f, 0xf0, 0xff};
    EXPECT_EQ(HexText(bytes, sizeof bytes), "000a9ff0ff");
    EXPECT_EQ(HexText(bytes, sizeof bytes, THexCase::Upper), "000A9FF0FF");
    EXPECT_EQ(HexText(bytes, 0), "");
    std::string out = "%";
    AppendHex(out, 0xc3, THexCase::Upper);
    EXPECT_EQ(out, "%C3");
}

TEST(Sha256, KnownDigests)
{
    // FIPS 180-2's examples, and the empty input.
    EXPECT_EQ(Sha256Hex(std::string()), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex(std::string("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    TSha256 pieces;
    for (const char* piece : {"abcdbcdecdefdefgefghfghighij", "hijkijkljklmklmnlmnomnopnopq"})
        pieces.Add(piece, std::strlen(piece));
    EXPECT_EQ(pieces.HexDigest(), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");

    TScratchFolder dir;
    const std::string big(3 << 20, 'x'); // more than one read
    WriteFileBytes(dir / "big", big);
    EXPECT_EQ(Sha256HexOfFile(dir / "big"), Sha256Hex(big));
    EXPECT_THROW(Sha256HexOfFile(dir / "missing"), EFOpenError);
}

TEST(ReplacingFile, TakesTheNameOnlyWhenCommitted)
{
    TScratchFolder dir;
    const std::string target = dir / "a.bin";
    WriteFileBytes(target, "old");
    {
        TReplacingFile file(target);
        Write(file, "new");
        EXPECT_EQ(ReadFileBytes(target), "old");
        EXPECT_EQ(fs::path(file.TemporaryPath()).parent_path(), dir.Path());
        EXPECT_EQ(fs::path(file.TemporaryPath()).filename().string().rfind(".a.bin.", 0), 0u);
    } // given up
    EXPECT_EQ(EntryNames(dir.Path()), std::vector<std::string>{"a.bin"});
    EXPECT_EQ(ReadFileBytes(target), "old");

    TReplacingFile file(target);
    Write(file, "new");
    file.Commit();
    EXPECT_EQ(EntryNames(dir.Path()), std::vector<std::string>{"a.bin"});
    EXPECT_EQ(ReadFileBytes(target), "new");
}

TEST(ReplacingFile, PermissionsOfTheOldFileOrOfANewOne)
{
    TScratchFolder dir;
    WriteFileBytes(dir / "kept", "old");
    ::chmod((dir / "kept").c_str(), 0640);
    {
        TReplacingFile file(dir / "kept");
        file.Commit();
    }
    EXPECT_EQ(ModeOf(dir / "kept"), 0640u);

    const mode_t mask = ::umask(022);
    {
        TReplacingFile file(dir / "new");
        file.Commit();
    }
    ::umask(mask);
    EXPECT_EQ(ModeOf(dir / "new"), 0644u); // not mkstemp's 0600
}

TEST(ReplacingFile, ALinkKeepsPointingAtTheReplacedFile)
{
    TScratchFolder dir;
    fs::create_directories(dir.Path() / "real");
    WriteFileBytes(dir / "real/a", "old");
    fs::create_symlink("real/a", dir.Path() / "link");
    TReplacingFile file(dir / "link");
    Write(file, "new");
    file.Commit();
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link"));
    EXPECT_EQ(ReadFileBytes(dir / "real/a"), "new");
    EXPECT_EQ(EntryNames(dir.Path() / "real"), std::vector<std::string>{"a"});
}

TEST(ReplacingFile, ADeviceIsWrittenInPlace)
{
    if (::access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    TReplacingFile file("/dev/full");
    EXPECT_TRUE(file.TemporaryPath().empty());
    EXPECT_THROW(Write(file, "x"), EWriteError);
}

TEST(ReplacingFile, AFolderThatTakesNoFileNamesTheTarget)
{
    TScratchFolder dir;
    try {
        TReplacingFile file(dir / "missing/a.bin");
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("Не могу создать файл в папке"), std::string::npos) << text;
        EXPECT_NE(text.find(dir / "missing/a.bin"), std::string::npos) << text;
        EXPECT_NE(text.find(SystemErrorText(ENOENT)), std::string::npos) << text;
    }
}

namespace {

// A folder holding an old set of files ("v", "v.sum", "v.sig") or part of it.
struct TSetCase {
    const char* Name;
    std::vector<std::string> Old;   // the names there before, each holding "old NAME"
    std::vector<std::string> New;   // the names written, each "new NAME"
    std::vector<std::string> Stale; // names the new set removes
};

// ctest's listing names a case by its name, not by its bytes.
void PrintTo(const TSetCase& c, std::ostream* out)
{
    *out << c.Name;
}

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

// Replaces the set, the `failAt`-th rename (counted from 1) failing; 0: none fails.
// Returns the renames done.
int ReplaceSet(const fs::path& dir, const TSetCase& c, int failAt)
{
    std::vector<std::unique_ptr<TReplacingFile>> files;
    std::vector<TReplacingFile*> set;
    for (const std::string& name : c.New) {
        files.push_back(std::make_unique<TReplacingFile>((dir / name).string()));
        Write(*files.back(), "new " + name);
        set.push_back(files.back().get());
    }
    std::vector<std::string> stale;
    for (const std::string& name : c.Stale)
        stale.push_back((dir / name).string());
    int calls = 0;
    ReplaceFiles(set, stale, [&](const std::string& from, const std::string& to) {
        if (++calls == failAt) {
            errno = EACCES;
            return -1;
        }
        return SystemRename(from, to);
    });
    return calls;
}

class ReplaceFileSet : public testing::TestWithParam<TSetCase> {};

} // namespace

TEST_P(ReplaceFileSet, AFailureAtAnyRenameLeavesTheOldSet)
{
    const TSetCase& c = GetParam();
    int renames = 0;
    {
        TScratchFolder dir;
        for (const std::string& name : c.Old)
            WriteFileBytes(dir / name, "old " + name);
        renames = ReplaceSet(dir.Path(), c, 0);
        EXPECT_EQ(EntryNames(dir.Path()), Sorted(c.New));
        for (const std::string& name : c.New)
            EXPECT_EQ(ReadFileBytes(dir / name), "new " + name);
    }
    ASSERT_GE(renames, static_cast<int>(c.New.size()));
    for (int failAt = 1; failAt <= renames; ++failAt) {
        SCOPED_TRACE("rename " + std::to_string(failAt) + " of " + std::to_string(renames) + " fails");
        TScratchFolder dir;
        for (const std::string& name : c.Old)
            WriteFileBytes(dir / name, "old " + name);
        try {
            ReplaceSet(dir.Path(), c, failAt);
            ADD_FAILURE() << "no error";
        } catch (const EWriteError& e) {
            EXPECT_NE(std::string(e.what()).find(SystemErrorText(EACCES)), std::string::npos) << e.what();
        }
        EXPECT_EQ(EntryNames(dir.Path()), Sorted(c.Old));
        for (const std::string& name : c.Old)
            EXPECT_EQ(ReadFileBytes(dir / name), "old " + name);
    }
}

INSTANTIATE_TEST_SUITE_P(
    OldAndNewSets, ReplaceFileSet,
    testing::Values(TSetCase{"NothingBefore", {}, {"v", "v.sum"}, {"v.sig"}},
                    TSetCase{"TheSameSet", {"v", "v.sum"}, {"v", "v.sum"}, {"v.sig"}},
                    TSetCase{"ALargerOldSet", {"v", "v.sum", "v.sig"}, {"v", "v.sum"}, {"v.sig"}},
                    TSetCase{"NoSumNow", {"v", "v.sum", "v.sig"}, {"v"}, {"v.sum", "v.sig"}},
                    TSetCase{"ASmallerOldSet", {"v"}, {"v", "v.sum", "v.sig"}, {}}),
    [](const testing::TestParamInfo<TSetCase>& info) { return std::string(info.param.Name); });
