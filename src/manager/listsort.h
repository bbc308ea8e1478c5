// Sorting the fragment list by a column: the key type of each column key,
// how a cell text becomes a key, and the order of the rows. Sorting reads
// what the cells show, so the time-of-day columns sort by time of day.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TSortKeyType {
    None,     // the column does not sort
    Integer,  // "SN", "ISSUE", "FPS", "FRAMES": 32-bit decimal
    Text,     // "CAMERA", "RESOLUTION", "TYPE": code page 1251 bytes
    DateTime, // "EVENT", "BEGIN", "END": date-time text, a time alone on day 0
};

TSortKeyType SortKeyTypeOf(const std::string& key);

// Byte by byte as unsigned code page 1251 codes; a proper prefix first.
// So Latin capitals come before small letters, Latin before Cyrillic, "Ё"
// and "ё" before "А", and "K10" before "K2".
int CompareCp1251(std::string_view a, std::string_view b);

// The rows' order after a sort by their cell texts (code page 1251):
// entry i is the current position of the row that moves to position i.
// Rows with equal keys keep their order; rows whose text does not convert
// to the key type go last, in their order, whichever the direction. A key
// type None leaves the order as it is.
std::vector<size_t> SortedRowOrder(const std::vector<std::string>& cells, TSortKeyType type, bool ascending);
