// The line operation of the MJPG reader. It scans the stream's bytes in place
// where the stream can show them (memory and file streams) and reads only as
// far as the line goes, while keeping the results of the block rule: a block
// of up to 65534 bytes, the line cut at its first CR LF, a NUL swallowing the
// rest of the block.
#include "mjpgreader.h"

#include "core/errors.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

enum class TScanResult { LineEnd, Nul, None, NeedMore };

// Looks through block[from, available) for the first CR LF or NUL, whichever
// comes first. 'known' tells whether the block ends at 'available' (the end
// of the stream or the 65534-byte limit); if not, a CR as the last byte may
// still be followed by its LF. 'at' receives the position of the CR or NUL.
TScanResult ScanBlock(const uint8_t* block, int64_t available, int64_t from, bool known, int64_t& at)
{
    int64_t i = from;
    while (i < available) {
        const void* crp = std::memchr(block + i, '\r', static_cast<size_t>(available - i));
        const int64_t cr = crp ? static_cast<const uint8_t*>(crp) - block : available;
        if (const void* nul = std::memchr(block + i, '\0', static_cast<size_t>(cr - i))) {
            at = static_cast<const uint8_t*>(nul) - block;
            return TScanResult::Nul;
        }
        if (!crp)
            return known ? TScanResult::None : TScanResult::NeedMore;
        if (cr + 1 == available)
            return known ? TScanResult::None : TScanResult::NeedMore;
        if (block[cr + 1] == '\n') {
            at = cr;
            return TScanResult::LineEnd;
        }
        i = cr + 1;
    }
    return known ? TScanResult::None : TScanResult::NeedMore;
}

} // namespace

void TMJPGReader::ReadLine(TStream* stream)
{
    Line.clear();
    if (!stream)
        return;
    const int64_t start = stream->Position();
    constexpr int64_t blockSize = MaxLineLength + 1;

    // Ask for a little first and widen: most lines are short.
    int64_t want = 256;
    int64_t from = 0;
    for (;;) {
        const TStream::TPeek peek = stream->Peek(want);
        const int64_t size = stream->Size();
        if (!peek.data || peek.size <= 0) {
            if (size > start)
                break; // the stream does not show its bytes: read a block instead
            stream->Seek(start, TSeekOrigin::soBeginning);
            return; // end of the stream: an empty line
        }
        // The block is complete when the stream ends within it or it holds
        // the most a line may take. A view shorter than asked that does not
        // reach the end of the stream tells nothing about the block: read it.
        const bool atEnd = start + peek.size >= size;
        if (peek.size < want && !atEnd)
            break;
        const bool known = atEnd || peek.size > MaxLineLength;
        const int64_t available = std::min(peek.size, MaxLineLength);
        const char* text = reinterpret_cast<const char*>(peek.data);
        int64_t at = 0;
        switch (ScanBlock(peek.data, available, from, known, at)) {
        case TScanResult::LineEnd:
            Line.assign(text, static_cast<size_t>(at));
            stream->Seek(start + at + 2, TSeekOrigin::soBeginning);
            return;
        case TScanResult::None:
            Line.assign(text, static_cast<size_t>(available));
            stream->Seek(start + available, TSeekOrigin::soBeginning);
            return;
        case TScanResult::Nul: {
            // The line ends at the NUL; the whole block counts as read.
            Line.assign(text, static_cast<size_t>(at));
            const int64_t block = known ? available : std::min(size - start, MaxLineLength);
            stream->Seek(start + block, TSeekOrigin::soBeginning);
            return;
        }
        case TScanResult::NeedMore:
            from = available > 0 ? available - 1 : 0;
            want = std::min(want * 8, blockSize);
            break;
        }
    }

    // Streams without in-place access: one block read and a seek back.
    std::unique_ptr<uint8_t[]> block(new uint8_t[blockSize]);
    int64_t got = 0;
    try {
        got = stream->Read(block.get(), blockSize);
    } catch (const EInOutError&) {
        throw; // a failing file is not the end of the data
    } catch (...) {
        got = 0;
    }
    const int64_t available = std::min(std::max<int64_t>(got, 0), MaxLineLength);
    int64_t at = 0;
    int64_t consumed = available;
    switch (ScanBlock(block.get(), available, 0, true, at)) {
    case TScanResult::LineEnd:
        Line.assign(reinterpret_cast<const char*>(block.get()), static_cast<size_t>(at));
        consumed = at + 2;
        break;
    case TScanResult::Nul:
        Line.assign(reinterpret_cast<const char*>(block.get()), static_cast<size_t>(at));
        break;
    default:
        Line.assign(reinterpret_cast<const char*>(block.get()), static_cast<size_t>(available));
        break;
    }
    stream->Seek(start + consumed, TSeekOrigin::soBeginning);
}

std::string TrimControlAndBlanks(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32)
        --e;
    return text.substr(b, e - b);
}

std::string WholeLine(const std::string& key, const std::string& value)
{
    const size_t room = static_cast<size_t>(TMJPGReader::MaxLineLength - 2) - key.size();
    if (value.size() <= room)
        return key + value;
    return key + TrimControlAndBlanks(value.substr(0, room));
}

int32_t MJPGIntValue(const std::string& text)
{
    int32_t value = 0;
    TryMJPGIntValue(text, value);
    return value;
}

bool TryMJPGIntValue(const std::string& text, int32_t& value)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return false;
    int64_t parsed = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        parsed = parsed * 10 + (c - '0');
        if (parsed > 2147483648LL)
            return false;
    }
    if (negative)
        parsed = -parsed;
    if (parsed > INT32_MAX || parsed < INT32_MIN)
        return false;
    value = static_cast<int32_t>(parsed);
    return true;
}
