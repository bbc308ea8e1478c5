#include "listsort.h"

#include "container/mjpgreader.h"
#include "core/datetime.h"

#include <algorithm>
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
        if (!TryMJPGIntValue(cell, value))
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
    // char_traits<char> compares characters as unsigned bytes, a shorter
    // text before a longer one with the same start.
    return a.compare(b);
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
