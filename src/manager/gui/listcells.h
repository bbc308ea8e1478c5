// TListCells: the cells of the fragment list by column key. A column set
// (TListColumnsInfo) names the list's columns; a cell is found by its key
// and row, and a key without a column (or a row without that cell) reads
// empty and takes no writes. A cell given as code page 1251 bytes shows
// their text and keeps the bytes themselves (a byte without a character,
// 0x98, included), which the sort compares.
#pragma once

#include "manager/listcolumns.h"

#include <QString>
#include <qnamespace.h>

#include <string>

class QTreeWidget;
class QTreeWidgetItem;

class TListCells {
public:
    TListCells(const TListColumnsInfo& columns, const QTreeWidget& list) : FColumns(columns), FList(list) {}

    // The list column of a row's cell for the key; -1 when the key has no
    // column or the row no such cell.
    int Column(const std::string& key, const QTreeWidgetItem* row) const;
    void SetText(const std::string& key, QTreeWidgetItem* row, const QString& text) const;
    QString Text(const std::string& key, const QTreeWidgetItem* row) const;
    void SetBytes(const std::string& key, QTreeWidgetItem* row, const std::string& cp1251) const;
    // The bytes a cell was given, or its text in code page 1251.
    std::string Bytes(const std::string& key, const QTreeWidgetItem* row) const;

    // Per column of a row: the code page 1251 bytes of a text given as such.
    static constexpr int kBytesRole = Qt::UserRole + 1;

private:
    const TListColumnsInfo& FColumns;
    const QTreeWidget& FList;
};
