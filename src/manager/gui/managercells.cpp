// The manager's cells by key: the list's columns and the properties rows
// built from their sets, writing and reading one cell, and sorting the list
// on a click on a column header.
#include "vmanagerform.h"

#include "listcells.h"
#include "manager/fragment.h"
#include "manager/listsort.h"
#include "updatelock.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace {

constexpr int kCellBytesRole = TListCells::kBytesRole;

QString Caption(const TListColumnInfo& info)
{
    return QString::fromStdString(info.Caption);
}

// A row's place in the list view: its caption and sub-item texts and its
// data pointer.
struct TRowContent {
    QStringList Texts;
    QList<QVariant> Bytes;
    QVariant Data;
};

TRowContent ContentOf(const QTreeWidgetItem* row)
{
    TRowContent content;
    for (int column = 0; column < row->columnCount(); ++column) {
        content.Texts << row->text(column);
        content.Bytes << row->data(column, kCellBytesRole);
    }
    content.Data = row->data(0, Qt::UserRole);
    return content;
}

void WriteContent(QTreeWidgetItem* row, const TRowContent& content)
{
    const int columns = std::max<int>(row->columnCount(), static_cast<int>(content.Texts.size()));
    for (int column = 0; column < columns; ++column) {
        row->setText(column, column < content.Texts.size() ? content.Texts[column] : QString());
        row->setData(column, kCellBytesRole, column < content.Bytes.size() ? content.Bytes[column] : QVariant());
    }
    row->setData(0, Qt::UserRole, content.Data);
}

} // namespace

TListCells TVManagerForm::Cells() const
{
    return TListCells(ListColumns, *lvFragmentsList);
}

TFragment* TVManagerForm::FragmentOf(const QTreeWidgetItem* row)
{
    return row ? static_cast<TFragment*>(row->data(0, Qt::UserRole).value<void*>()) : nullptr;
}

void TVManagerForm::BuildListColumns()
{
    FBuiltColumns.clear();
    QStringList captions;
    for (size_t i = 0; i < ListColumns.Count(); ++i) {
        // A position without description adds no column.
        if (const TListColumnInfo* info = ListColumns.ByIndex(static_cast<int32_t>(i))) {
            FBuiltColumns.push_back(info);
            captions << Caption(*info);
        }
    }
    lvFragmentsList->setColumnCount(static_cast<int>(captions.size()));
    lvFragmentsList->setHeaderLabels(captions);
    for (size_t column = 0; column < FBuiltColumns.size(); ++column) {
        if (FBuiltColumns[column]->Width >= 0)
            lvFragmentsList->setColumnWidth(static_cast<int>(column), FBuiltColumns[column]->Width);
    }
    AutoSizeListColumns();
}

void TVManagerForm::AutoSizeListColumns()
{
    QHeaderView* header = lvFragmentsList->header();
    for (size_t i = 0; i < FBuiltColumns.size(); ++i) {
        const int column = static_cast<int>(i);
        if (FBuiltColumns[i]->Width == kWidthToContents)
            lvFragmentsList->resizeColumnToContents(column);
        else if (FBuiltColumns[i]->Width == kWidthToCaption)
            lvFragmentsList->setColumnWidth(column, header->sectionSizeHint(column));
    }
}

void TVManagerForm::BuildPropertyRows()
{
    const TUpdateLock lock(lvProperties);
    for (size_t i = 0; i < PropertyRows.Count(); ++i) {
        if (const TListColumnInfo* info = PropertyRows.ByIndex(static_cast<int32_t>(i))) {
            auto* row = new QTreeWidgetItem(lvProperties);
            row->setText(0, Caption(*info));
            row->setText(1, QString());
        }
    }
    AutoSizeProperties();
}

void TVManagerForm::AutoSizeProperties()
{
    lvProperties->resizeColumnToContents(0);
    lvProperties->resizeColumnToContents(1);
}

void TVManagerForm::SetPropertyText(const std::string& key, const QString& text)
{
    const TListColumnInfo* info = PropertyRows.ByKey(key);
    if (!info || info->Index < 0 || info->Index >= lvProperties->topLevelItemCount())
        return;
    // The row's sub-items become the lines of the text: a one-line value is
    // the second column, an empty one leaves it empty.
    QTreeWidgetItem* row = lvProperties->topLevelItem(info->Index);
    const QStringList lines = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    const int columns = std::max<int>(row->columnCount(), static_cast<int>(lines.size()) + 1);
    for (int column = 1; column < columns; ++column)
        row->setText(column, column - 1 < lines.size() ? lines[column - 1] : QString());
}

void TVManagerForm::lvFragmentsListColumnClick(int column)
{
    if (column < 0)
        return;
    if (column == SortColumn) {
        SortAscending = !SortAscending;
    } else {
        SortColumn = column;
        SortAscending = true;
    }
    // The header keeps the order asked for (its indicator stays hidden).
    lvFragmentsList->header()->setSortIndicator(SortColumn, SortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
    // The clicked position's description (Index = position in the set).
    const TListColumnInfo* info = ListColumns.ByIndex(column);
    if (!info)
        return;
    const TSortKeyType type = SortKeyTypeOf(info->Key);
    if (type == TSortKeyType::None)
        return;

    const int count = lvFragmentsList->topLevelItemCount();
    std::vector<std::string> cells;
    std::vector<TRowContent> contents;
    for (int row = 0; row < count; ++row) {
        const QTreeWidgetItem* item = lvFragmentsList->topLevelItem(row);
        cells.push_back(Cells().Bytes(info->Key, item));
        contents.push_back(ContentOf(item));
    }
    const std::vector<size_t> order = SortedRowOrder(cells, type, SortAscending);
    {
        // The items stay; what they show and carry moves between them, so
        // the selection keeps its position.
        const TUpdateLock lock(lvFragmentsList);
        for (int row = 0; row < count; ++row)
            WriteContent(lvFragmentsList->topLevelItem(row), contents[order[static_cast<size_t>(row)]]);
    }
    if (TFragment* fragment = FragmentOf(SelectedRow()))
        ShowProperties(fragment);
}
