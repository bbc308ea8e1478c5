#include "listcolumns.h"

void TListColumnsInfo::Add(const TListColumnInfo& info)
{
    FList.push_back(std::make_unique<TListColumnInfo>(info));
    const TListColumnInfo* copy = FList.back().get();
    FByIndex.emplace(copy->Index, copy); // emplace keeps an earlier entry
    FByKey.emplace(copy->Key, copy);
}

const TListColumnInfo* TListColumnsInfo::ByIndex(int32_t index) const
{
    const auto found = FByIndex.find(index);
    return found == FByIndex.end() ? nullptr : found->second;
}

const TListColumnInfo* TListColumnsInfo::ByKey(const std::string& key) const
{
    const auto found = FByKey.find(key);
    return found == FByKey.end() ? nullptr : found->second;
}

void AddStandardListColumns(TListColumnsInfo& columns)
{
    columns.Add({0, "Дата/Время", "EVENT", kWidthToContents});
    columns.Add({1, "Камера", "CAMERA", kWidthToContents});
    columns.Add({2, "Фрагмент", "ISSUE", kWidthToCaption});
    columns.Add({3, "Начало записи", "BEGIN", kWidthToContents});
    columns.Add({4, "Конец записи", "END", kWidthToContents});
}

void AddStandardPropertyRows(TListColumnsInfo& rows)
{
    rows.Add({0, "Дата/Время", "EVENT", kWidthToContents});
    rows.Add({1, "Камера", "CAMERA", kWidthToContents});
    rows.Add({2, "Фрагмент", "ISSUE", kWidthToContents});
    rows.Add({3, "Начало записи", "BEGIN", kWidthToContents});
    rows.Add({4, "Конец записи", "END", kWidthToContents});
    rows.Add({5, "Разрешение", "RESOLUTION", kWidthToContents});
    rows.Add({6, "FPS", "FPS", kWidthToContents});
    rows.Add({7, "Кол.кадров", "FRAMES", kWidthToContents});
    rows.Add({8, "Серийный номер", "SN", kWidthToContents});
}
