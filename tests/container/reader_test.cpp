// The line operation of the reader and the small
// conversions the header and part readers share.
#include "container/mjpgreader.h"

#include "teststreams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

enum class TKind { Memory, NoPeek, File, ShortPeek };

const char* KindName(TKind k)
{
    return k == TKind::Memory      ? "TMemoryStream"
           : k == TKind::NoPeek    ? "TNoPeekStream"
           : k == TKind::ShortPeek ? "TShortPeekStream"
                                   : "TFileStream";
}

void PrintTo(TKind k, std::ostream* os)
{
    *os << KindName(k);
}

// Holds a stream of the given kind over the bytes (and its file).
struct TSource {
    TSource(TKind kind, const std::string& bytes)
    {
        switch (kind) {
        case TKind::Memory: {
            auto m = std::make_unique<TMemoryStream>();
            LoadBytes(*m, bytes);
            stream = std::move(m);
            break;
        }
        case TKind::NoPeek:
            stream = std::make_unique<TNoPeekStream>(bytes);
            break;
        case TKind::ShortPeek: {
            auto m = std::make_unique<TShortPeekStream>(1000);
            LoadBytes(*m, bytes);
            stream = std::move(m);
            break;
        }
        case TKind::File:
            dir = std::make_unique<fixture::TScratchFolder>();
            stream = std::make_unique<TFileStream>(WriteInFolder(*dir, "s.bin", bytes), TFileMode::fmOpenRead);
            break;
        }
    }
    std::unique_ptr<fixture::TScratchFolder> dir;
    std::unique_ptr<TStream> stream;
};

struct TLineAt {
    std::string line;
    int64_t pos;
    bool operator==(const TLineAt& o) const { return line == o.line && pos == o.pos; }
};

void PrintTo(const TLineAt& l, std::ostream* os)
{
    *os << "{" << l.line.size() << " bytes";
    if (l.line.size() <= 40)
        *os << " " << testing::PrintToString(l.line);
    *os << ", pos " << l.pos << "}";
}

// The line operation in its plain form: a block of up to 65535
// bytes, 65534 counted when all came, a NUL after them, the first CR LF of
// the NUL-terminated text, a seek to P plus the counted bytes.
TLineAt RefReadLine(const std::string& s, int64_t p)
{
    static std::vector<char> buf(65536);
    int64_t got = p < static_cast<int64_t>(s.size()) ? std::min<int64_t>(65535, s.size() - p) : 0;
    if (got > 0)
        std::memcpy(buf.data(), s.data() + p, static_cast<size_t>(got));
    if (got == 65535)
        got = 65534;
    buf[static_cast<size_t>(got)] = '\0';
    const char* found = std::strstr(buf.data(), "\r\n");
    if (found)
        return {std::string(buf.data(), static_cast<size_t>(found - buf.data())), p + (found - buf.data()) + 2};
    return {std::string(buf.data()), p + got};
}

// Every line until the end of the stream, and the empty line read there.
std::vector<TLineAt> RefAllLines(const std::string& s)
{
    std::vector<TLineAt> out;
    int64_t p = 0;
    for (;;) {
        out.push_back(RefReadLine(s, p));
        if (p == static_cast<int64_t>(s.size()))
            return out;
        p = out.back().pos;
    }
}

std::vector<TLineAt> AllLines(TStream& stream)
{
    std::vector<TLineAt> out;
    TMJPGReader r;
    for (;;) {
        const int64_t before = stream.Position();
        r.ReadLine(&stream);
        out.push_back({r.Line, stream.Position()});
        if (before == stream.Size() || out.size() > 100000)
            return out;
    }
}

struct TLineCase {
    const char* name;
    std::string bytes;
    std::vector<TLineAt> expected; // every line, the last one the empty line at the end
};

std::vector<TLineCase> LineCases()
{
    const std::string a65533(65533, 'a');
    const std::string x70000(70000, 'x');
    std::vector<TLineCase> c;
    c.push_back({"empty stream", "", {{"", 0}}});
    c.push_back({"one line", "abc\r\ndef", {{"abc", 5}, {"def", 8}, {"", 8}}});
    c.push_back({"empty line at the end", "abc\r\n\r\n", {{"abc", 5}, {"", 7}, {"", 7}}});
    c.push_back({"only CR LF", "\r\n", {{"", 2}, {"", 2}}});
    c.push_back({"lone LF does not end a line", "ab\ncd\r\n", {{"ab\ncd", 7}, {"", 7}}});
    c.push_back({"lone CR does not end a line", "ab\rcd\r\n", {{"ab\rcd", 7}, {"", 7}}});
    c.push_back({"LF CR is no line end", "ab\n\rcd", {{"ab\n\rcd", 6}, {"", 6}}});
    c.push_back({"CR CR LF", "ab\r\r\nc", {{"ab\r", 5}, {"c", 6}, {"", 6}}});
    c.push_back({"CR at the end of the stream", "abc\r", {{"abc\r", 4}, {"", 4}}});
    c.push_back({"NUL hides the CR LF and consumes the block",
                 std::string("ab\0cd\r\nef\r\n", 11),
                 {{"ab", 11}, {"", 11}}});
    c.push_back({"NUL at the start", std::string("\0abc\r\n", 6), {{"", 6}, {"", 6}}});
    c.push_back({"NUL between CR and LF", std::string("ab\r\0\ncd", 7), {{"ab\r", 7}, {"", 7}}});
    c.push_back({"NUL after the CR LF is not seen", std::string("ab\r\n\0cd", 7),
                 {{"ab", 4}, {"", 7}, {"", 7}}});
    c.push_back({"NUL in a long stream consumes 65534 bytes",
                 std::string("ab\0", 3) + std::string(100000, 'c') + "\r\n",
                 {{"ab", 65534}, {std::string(100003 - 65534, 'c'), 100005}, {"", 100005}}});
    c.push_back({"70000-char line is split at 65534", x70000 + "\r\nz",
                 {{std::string(65534, 'x'), 65534}, {std::string(70000 - 65534, 'x'), 70002}, {"z", 70003},
                  {"", 70003}}});
    c.push_back({"CR at the block's edge", a65533 + "\r\nnext\r\n",
                 {{a65533 + "\r", 65534}, {"\nnext", 65541}, {"", 65541}}});
    c.push_back({"CR at the block's edge, stream ends after the LF", a65533 + "\r\n",
                 {{a65533 + "\r", 65534}, {"\n", 65535}, {"", 65535}}});
    c.push_back({"65534 chars then CR LF: the CR LF comes as an empty line", std::string(65534, 'b') + "\r\nq",
                 {{std::string(65534, 'b'), 65534}, {"", 65536}, {"q", 65537}, {"", 65537}}});
    c.push_back({"65532 chars then CR LF fits in one block", std::string(65532, 'b') + "\r\nq",
                 {{std::string(65532, 'b'), 65534}, {"q", 65535}, {"", 65535}}});
    c.push_back({"line of exactly 65534 at the end", std::string(65534, 'b'),
                 {{std::string(65534, 'b'), 65534}, {"", 65534}}});
    c.push_back({"CR LF straddling a 256-byte look-ahead", std::string(255, 'k') + "\r\nz",
                 {{std::string(255, 'k'), 257}, {"z", 258}, {"", 258}}});
    c.push_back({"high bytes kept", "\xCA\xE0\xEC\xE5\xF0\xE0\r\n",
                 {{"\xCA\xE0\xEC\xE5\xF0\xE0", 8}, {"", 8}}});
    return c;
}

class ReadLineTable : public testing::TestWithParam<TKind> {};

TEST_P(ReadLineTable, Cases)
{
    for (const TLineCase& c : LineCases()) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(RefAllLines(c.bytes), c.expected) << "the table disagrees with the Part's wording";
        TSource src(GetParam(), c.bytes);
        EXPECT_EQ(AllLines(*src.stream), c.expected);
    }
}

TEST_P(ReadLineTable, PastTheEndGivesAnEmptyLineAndStays)
{
    TSource src(GetParam(), "abc\r\n");
    src.stream->SetPosition(9);
    TMJPGReader r;
    r.Line = "stale";
    r.ReadLine(src.stream.get());
    EXPECT_EQ(r.Line, "");
    EXPECT_EQ(src.stream->Position(), 9);
}

// Random streams made of runs whose lengths sit at the edges of the reader's
// look-ahead steps and of the 65534-byte block, joined by CR LF, lone CR or
// LF, NUL, CR NUL LF: every stream kind agrees with the Part's wording.
TEST_P(ReadLineTable, RandomStreamsAgreeWithTheWording)
{
    std::mt19937 rng(20240611);
    const int lengths[] = {0, 1, 2, 254, 255, 256, 257, 2046, 2047, 2048, 2049, 16382, 16383, 16384,
                           16385, 65531, 65532, 65533, 65534, 65535, 65536, 70000};
    const char* joins[] = {"\r\n", "\r\n", "\r\n", "\r", "\n", "\0", "\r\0\n", "\n\r", "\r\r\n", ""};
    const size_t joinLengths[] = {2, 2, 2, 1, 1, 1, 3, 2, 3, 0};
    const int streams = GetParam() == TKind::File ? 40 : 150;
    for (int n = 0; n < streams; ++n) {
        std::string s;
        const int runs = 1 + static_cast<int>(rng() % 6);
        for (int r = 0; r < runs; ++r) {
            const int len = rng() % 3 == 0 ? static_cast<int>(rng() % 600) : lengths[rng() % std::size(lengths)];
            const char fill = static_cast<char>('a' + rng() % 26);
            s.append(static_cast<size_t>(len), fill);
            const size_t j = rng() % std::size(joins);
            s.append(joins[j], joinLengths[j]);
        }
        SCOPED_TRACE("stream " + std::to_string(n) + " of " + std::to_string(s.size()) + " bytes");
        TSource src(GetParam(), s);
        ASSERT_EQ(AllLines(*src.stream), RefAllLines(s));
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, ReadLineTable, testing::Values(TKind::Memory, TKind::NoPeek, TKind::File, TKind::ShortPeek),
                         [](const testing::TestParamInfo<TKind>& i) { return std::string(KindName(i.param)); });

TEST(ReadLine, NullStreamGivesAnEmptyLine)
{
    TMJPGReader r;
    r.Line = "stale";
    r.ReadLine(nullptr);
    EXPECT_EQ(r.Line, "");
}

TEST(ReadLine, AFailingReadCountsAsNoBytes)
{
    TFailingReadStream s("abc\r\ndef\r\n", 5);
    TMJPGReader r;
    r.ReadLine(&s);
    EXPECT_EQ(r.Line, "abc");
    EXPECT_EQ(s.Position(), 5);
    r.ReadLine(&s);
    EXPECT_EQ(r.Line, "");
    EXPECT_EQ(s.Position(), 5);
}

// ---------------------------------------------------------------- conversions

TEST(MJPGIntValue, Table)
{
    struct Case {
        const char* text;
        int32_t value;
    };
    const Case cases[] = {
        {"640", 640},
        {" 640", 640},
        {"     640", 640},
        {"0", 0},
        {"-640", -640},
        {"+640", 640},
        {" -5", -5},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", 0},
        {"-2147483649", 0},
        {"4294967296", 0},
        {"4294967936", 0}, // 2^32 + 640: no wrap-around
        {"99999999999999999999999", 0},
        {"", 0},
        {" ", 0},
        {"-", 0},
        {"+", 0},
        {"640 ", 0},
        {"640px", 0},
        {"6 40", 0},
        {"- 5", 0},
        {"--5", 0},
        {"+-5", 0},
        {"0x10", 0},
        {"$10", 0},
        {"1e3", 0},
        {"12.5", 0},
        {"640\r", 0},
        {"640\t", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MJPGIntValue(c.text), c.value) << '"' << c.text << '"';
}

TEST(TrimControlAndBlanks, Table)
{
    EXPECT_EQ(TrimControlAndBlanks(""), "");
    EXPECT_EQ(TrimControlAndBlanks("   "), "");
    EXPECT_EQ(TrimControlAndBlanks(" a b "), "a b");
    EXPECT_EQ(TrimControlAndBlanks("\t\r\x01x\x1f\x20"), "x");
    EXPECT_EQ(TrimControlAndBlanks("\xA0x\xA0"), "\xA0x\xA0") << "code 160 is not trimmed";
    EXPECT_EQ(TrimControlAndBlanks(std::string("\0x\0", 3)), "x");
}

} // namespace
