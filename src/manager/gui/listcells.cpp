#include "listcells.h"

#include "core/cp1251.h"

#include <QTreeWidget>

int TListCells::Column(const std::string& key, const QTreeWidgetItem* row) const
{
    const TListColumnInfo* info = FColumns.ByKey(key);
    if (!row || !info || info->Index < 0 || info->Index >= FList.columnCount())
        return -1;
    // Index k > 0 is sub-item k - 1, there only when the row has it.
    if (info->Index == 0 || row->columnCount() > info->Index)
        return info->Index;
    return -1;
}

void TListCells::SetText(const std::string& key, QTreeWidgetItem* row, const QString& text) const
{
    const int column = Column(key, row);
    if (column < 0)
        return;
    row->setText(column, text);
    row->setData(column, kBytesRole, QVariant());
}

QString TListCells::Text(const std::string& key, const QTreeWidgetItem* row) const
{
    const int column = Column(key, row);
    return column < 0 ? QString() : row->text(column);
}

void TListCells::SetBytes(const std::string& key, QTreeWidgetItem* row, const std::string& cp1251) const
{
    const int column = Column(key, row);
    if (column < 0)
        return;
    row->setText(column, QString::fromStdString(Cp1251ToUtf8(cp1251)));
    row->setData(column, kBytesRole, QByteArray::fromStdString(cp1251));
}

std::string TListCells::Bytes(const std::string& key, const QTreeWidgetItem* row) const
{
    const int column = Column(key, row);
    if (column < 0)
        return {};
    const QVariant bytes = row->data(column, kBytesRole);
    if (bytes.isValid())
        return bytes.toByteArray().toStdString();
    return Utf8ToCp1251(row->text(column).toStdString());
}
