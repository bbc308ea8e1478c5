#include "listsort.h"

#include "core/datetime.h"

#include <algorithm>
#include <charconv>
#include <numeric>
#include <optional>

namespace {

struct TRowKey {
    size_t Row = 0;
    double Number = 0;     // Integer and DateTime keys
    std::string_view Text; // Text keys
};

std::optional<TRowKey> KeyOf(size_t row, const std::string& cell, TSortKeyType type)
{
    TRowKey key;
    key.Row = row;
    switch (type) {
    case TSortKeyType::Integer: {
        int32_t value = 0;
        if (!TryTextToInt(cell, value))
            return std::nullopt;
        key.Number = value;
        return key;
    }
    case TSortKeyType::DateTime:
        if (!TryStrToDateTime(cell, key.Number))
            return std::nullopt;
        return key;
    case TSortKeyType::Text:
        key.Text = cell;
        return key;
    case TSortKeyType::None:
        break;
    }
    return std::nullopt;
}

} // namespace

TSortKeyType SortKeyTypeOf(const std::string& key)
{
    if (key == "SN" || key == "ISSUE" || key == "FPS" || key == "FRAMES")
        return TSortKeyType::Integer;
    if (key == "CAMERA" || key == "RESOLUTION" || key == "TYPE")
        return TSortKeyType::Text;
    if (key == "EVENT" || key == "BEGIN" || key == "END")
        return TSortKeyType::DateTime;
    return TSortKeyType::None;
}

int CompareCp1251(std::string_view a, std::string_view b)
{
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool TryTextToInt(const std::string& text, int32_t& value)
{
    size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos)
        return false;
    if (text[start] == '+')
        ++start;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    // from_chars takes a '-' itself but no '+' (taken above), and no blanks
    // after the sign.
    if (first == last || *first == ' ' || *first == '+')
        return false;
    int32_t parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (error != std::errc() || end != last)
        return false;
    value = parsed;
    return true;
}

std::vector<size_t> SortedRowOrder(const std::vector<std::string>& cells, TSortKeyType type, bool ascending)
{
    std::vector<size_t> order(cells.size());
    std::iota(order.begin(), order.end(), size_t{0});
    if (type == TSortKeyType::None)
        return order;

    std::vector<TRowKey> keyed;
    std::vector<size_t> unconverted;
    for (size_t row = 0; row < cells.size(); ++row) {
        if (const auto key = KeyOf(row, cells[row], type))
            keyed.push_back(*key);
        else
            unconverted.push_back(row);
    }
    const auto compare = [type](const TRowKey& a, const TRowKey& b) {
        if (type == TSortKeyType::Text)
            return CompareCp1251(a.Text, b.Text);
        return a.Number < b.Number ? -1 : (b.Number < a.Number ? 1 : 0);
    };
    std::stable_sort(keyed.begin(), keyed.end(), [&](const TRowKey& a, const TRowKey& b) {
        return ascending ? compare(a, b) < 0 : compare(b, a) < 0;
    });

    order.clear();
    for (const TRowKey& key : keyed)
        order.push_back(key.Row);
    order.insert(order.end(), unconverted.begin(), unconverted.end());
    return order;
}
