// The column model of the fragment manager: every column of the fragment
// list and every row of the properties pane is a description that binds a
// caption, a position and a width to a data key ("EVENT", "CAMERA", ...).
// Code that writes or reads a cell names the key, so columns can be
// reordered, added or left out by changing a set alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Column widths that size a column instead of giving pixels.
constexpr int32_t kWidthToContents = -1; // the widest cell text
constexpr int32_t kWidthToCaption = -2;  // the caption

class TListColumnInfo {
public:
    TListColumnInfo(int32_t index, std::string caption, std::string key, int32_t width)
        : Index(index), Width(width), Caption(std::move(caption)), Key(std::move(key))
    {
    }

    int32_t Index;       // column position (0: the item's caption), or row of the properties pane
    int32_t Width;       // pixels, kWidthToContents or kWidthToCaption
    std::string Caption; // UTF-8
    std::string Key;     // compared exactly
};

// An owning set of descriptions, found by position and by key. A second
// description with a position or key already present is owned and counted,
// but that lookup keeps reaching the first one.
class TListColumnsInfo {
public:
    void Add(const TListColumnInfo& info);
    const TListColumnInfo* ByIndex(int32_t index) const;
    const TListColumnInfo* ByKey(const std::string& key) const;
    size_t Count() const { return FList.size(); }

private:
    std::map<int32_t, const TListColumnInfo*> FByIndex;
    std::map<std::string, const TListColumnInfo*> FByKey;
    std::vector<std::unique_ptr<TListColumnInfo>> FList;
};

// The fragment list's five columns: "Дата/Время", "Камера", "Фрагмент",
// "Начало записи", "Конец записи".
void AddStandardListColumns(TListColumnsInfo& columns);
// The properties pane's nine rows: the five above, then "Разрешение", "FPS",
// "Кол.кадров", "Серийный номер".
void AddStandardPropertyRows(TListColumnsInfo& rows);
