// Shared bytes: views that keep their block, and the stream that hands them out.
#include "core/errors.h"
#include "core/sharedbytes.h"
#include "core/streams.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(const TSharedBytes& bytes)
{
    return std::string(reinterpret_cast<const char*>(bytes.Memory()), static_cast<size_t>(bytes.Size()));
}

TSharedBytes FromText(const std::string& text)
{
    return TSharedBytes::Copy(text.data(), static_cast<int64_t>(text.size()));
}

} // namespace

TEST(SharedBytes, ViewsKeepTheBlockAfterTheWholeGoes)
{
    TSharedBytes whole = FromText("0123456789");
    const TSharedBytes middle = whole.Slice(3, 4);
    EXPECT_EQ(Text(middle), "3456");
    EXPECT_TRUE(middle.SharesBlockWith(whole));
    EXPECT_EQ(whole.Holders(), 2);
    whole = {};
    EXPECT_EQ(middle.Holders(), 1);
    EXPECT_EQ(Text(middle), "3456");
}

TEST(SharedBytes, SlicesAreCutToTheView)
{
    const TSharedBytes whole = FromText("abcdef");
    struct TCase {
        int64_t offset, size;
        std::string text;
    } const cases[] = {{0, 6, "abcdef"}, {4, 10, "ef"}, {-2, 3, "abc"}, {6, 1, ""}, {9, 1, ""}, {2, -1, ""}};
    for (const TCase& c : cases) {
        const TSharedBytes view = whole.Slice(c.offset, c.size);
        EXPECT_EQ(Text(view), c.text) << c.offset << "," << c.size;
        EXPECT_EQ(view.Empty(), c.text.empty());
    }
    const TSharedBytes inner = whole.Slice(1, 4).Slice(1, 2);
    EXPECT_EQ(Text(inner), "cd");
}

TEST(SharedBytes, TakeAdoptsAMemoryStreamsBlockWithoutACopy)
{
    TMemoryStream stream;
    stream.WriteString("fetched body");
    const uint8_t* block = stream.Memory();
    const TSharedBytes bytes = TSharedBytes::Take(stream);
    EXPECT_EQ(Text(bytes), "fetched body");
#ifndef __SANITIZE_ADDRESS__
    // The block is trimmed to its size with realloc, which the C library does
    // in place; AddressSanitizer's realloc moves every block.
    EXPECT_EQ(bytes.Memory(), block);
#else
    (void)block;
#endif
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Memory(), nullptr);
    TMemoryStream empty;
    EXPECT_TRUE(TSharedBytes::Take(empty).Empty());
    EXPECT_EQ(TSharedBytes::Take(empty).Holders(), 0);
}

TEST(SharedBytes, ACopyIsItsOwnBlock)
{
    std::string text = "picture";
    const TSharedBytes bytes = FromText(text);
    text[0] = 'X';
    EXPECT_EQ(Text(bytes), "picture");
    EXPECT_FALSE(bytes.SharesBlockWith(FromText("picture")));
    EXPECT_TRUE(FromText("").Empty());
}

TEST(SharedBytesStream, ReadSharedHandsOutViewsOfItsBlock)
{
    const TSharedBytes whole = FromText("head|body|tail");
    TSharedBytesStream stream(whole);
    EXPECT_EQ(stream.Size(), 14);
    char head[5] = {};
    EXPECT_EQ(stream.Read(head, 5), 5);
    EXPECT_EQ(std::string(head, 5), "head|");
    const TSharedBytes body = stream.ReadShared(4);
    EXPECT_EQ(Text(body), "body");
    EXPECT_TRUE(body.SharesBlockWith(whole));
    EXPECT_EQ(body.Memory(), whole.Memory() + 5);
    EXPECT_EQ(stream.Position(), 9);
    EXPECT_EQ(stream.Peek(3).size, 3);
    EXPECT_EQ(stream.Peek(3).data, whole.Memory() + 9);
    EXPECT_THROW(stream.ReadShared(6), EReadError);
    EXPECT_EQ(stream.Position(), 9) << "a failed read leaves the position";
    EXPECT_THROW(stream.Write("x", 1), EWriteError);
    EXPECT_THROW(stream.SetSize(1), EStreamError);
    EXPECT_THROW(stream.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
    EXPECT_EQ(stream.Seek(-4, TSeekOrigin::soEnd), 10);
    EXPECT_EQ(Text(stream.ReadShared(4)), "tail");
    EXPECT_EQ(stream.Read(head, 1), 0);
}

TEST(SharedBytesStream, OtherStreamsGiveACopy)
{
    TMemoryStream stream;
    stream.WriteString("0123456789");
    stream.SetPosition(2);
    const TSharedBytes copy = stream.ReadShared(5);
    EXPECT_EQ(Text(copy), "23456");
    EXPECT_NE(copy.Memory(), stream.Memory() + 2);
    EXPECT_EQ(stream.Position(), 7);
    EXPECT_THROW(stream.ReadShared(4), EReadError);
}
