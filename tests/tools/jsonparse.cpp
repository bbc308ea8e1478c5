// A recursive-descent JSON parser (RFC 8259), strict in every point.
#include "jsonparse.h"

#include <cstdlib>

namespace {

class TParser {
public:
    explicit TParser(const std::string& text) : FText(text) {}

    TJson Document()
    {
        if (!IsValidUtf8(FText))
            throw std::runtime_error("JSON text is not valid UTF-8");
        TJson value = Value();
        SkipBlanks();
        if (FPos != FText.size())
            Fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const
    {
        throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(FPos));
    }

    void SkipBlanks()
    {
        while (FPos < FText.size() &&
               (FText[FPos] == ' ' || FText[FPos] == '\t' || FText[FPos] == '\n' || FText[FPos] == '\r'))
            ++FPos;
    }

    char Peek() const { return FPos < FText.size() ? FText[FPos] : '\0'; }

    void Expect(char c)
    {
        if (Peek() != c)
            Fail(std::string("expected '") + c + "'");
        ++FPos;
    }

    bool Literal(const char* word)
    {
        const std::string w = word;
        if (FText.compare(FPos, w.size(), w) != 0)
            return false;
        FPos += w.size();
        return true;
    }

    TJson Value()
    {
        SkipBlanks();
        TJson v;
        const char c = Peek();
        if (c == '{') {
            v.Kind = TJson::Object;
            ++FPos;
            SkipBlanks();
            if (Peek() == '}') {
                ++FPos;
                return v;
            }
            for (;;) {
                SkipBlanks();
                std::string key = StringLiteral();
                SkipBlanks();
                Expect(':');
                for (const auto& m : v.Members)
                    if (m.first == key)
                        Fail("duplicate key \"" + key + "\"");
                v.Members.emplace_back(std::move(key), Value());
                SkipBlanks();
                if (Peek() == ',') {
                    ++FPos;
                    continue;
                }
                Expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.Kind = TJson::Array;
            ++FPos;
            SkipBlanks();
            if (Peek() == ']') {
                ++FPos;
                return v;
            }
            for (;;) {
                v.Items.push_back(Value());
                SkipBlanks();
                if (Peek() == ',') {
                    ++FPos;
                    continue;
                }
                Expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.Kind = TJson::String;
            v.StringValue = StringLiteral();
            return v;
        }
        if (Literal("true") || Literal("false")) {
            v.Kind = TJson::Bool;
            v.BoolValue = FText.compare(FPos - 4, 4, "true") == 0;
            return v;
        }
        if (Literal("null"))
            return v;
        if (c == '-' || (c >= '0' && c <= '9'))
            return Number();
        Fail("unexpected character");
    }

    TJson Number()
    {
        const size_t start = FPos;
        auto digits = [&] {
            const size_t from = FPos;
            while (Peek() >= '0' && Peek() <= '9')
                ++FPos;
            if (FPos == from)
                Fail("digit expected");
        };
        if (Peek() == '-')
            ++FPos;
        if (Peek() == '0') {
            ++FPos;
        } else {
            digits();
        }
        bool integer = true;
        if (Peek() == '.') {
            ++FPos;
            digits();
            integer = false;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++FPos;
            if (Peek() == '+' || Peek() == '-')
                ++FPos;
            digits();
            integer = false;
        }
        TJson v;
        v.Kind = TJson::Number;
        const std::string text = FText.substr(start, FPos - start);
        v.NumberValue = std::strtod(text.c_str(), nullptr);
        v.IsInteger = integer;
        if (integer)
            v.IntValue = std::strtoll(text.c_str(), nullptr, 10);
        return v;
    }

    unsigned Hex4()
    {
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = Peek();
            unsigned d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                Fail("hex digit expected");
            value = value * 16 + d;
            ++FPos;
        }
        return value;
    }

    static void AppendUtf8(std::string& out, unsigned cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::string StringLiteral()
    {
        Expect('"');
        std::string out;
        for (;;) {
            if (FPos >= FText.size())
                Fail("unterminated string");
            const char c = FText[FPos++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                Fail("unescaped control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            const char e = Peek();
            ++FPos;
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned cp = Hex4();
                if (cp >= 0xDC00 && cp <= 0xDFFF)
                    Fail("lone low surrogate");
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    if (!Literal("\\u"))
                        Fail("lone high surrogate");
                    const unsigned low = Hex4();
                    if (low < 0xDC00 || low > 0xDFFF)
                        Fail("bad low surrogate");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(out, cp);
                break;
            }
            default:
                Fail("bad escape");
            }
        }
    }

    const std::string& FText;
    size_t FPos = 0;
};

} // namespace

const TJson& TJson::operator[](const std::string& key) const
{
    for (const auto& m : Members)
        if (m.first == key)
            return m.second;
    throw std::runtime_error("JSON: no member \"" + key + "\"");
}

std::vector<std::string> TJson::Keys() const
{
    std::vector<std::string> keys;
    for (const auto& m : Members)
        keys.push_back(m.first);
    return keys;
}

TJson ParseJson(const std::string& text)
{
    return TParser(text).Document();
}

bool IsValidUtf8(const std::string& text)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more;
        unsigned cp;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + more >= n)
            return false;
        for (int k = 1; k <= more; ++k) {
            const auto d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((more == 2 && cp < 0x800) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += more + 1;
    }
    return true;
}
