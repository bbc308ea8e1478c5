// Grid lines between the cells of a list view (the properties pane).
#pragma once

#include <QStyledItemDelegate>

class TGridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
