// The manager window as a test reaches it: its lists by object name, a
// row's fragment, and opening the selected row as the Enter key does.
#pragma once

#include "children.h"
#include "manager/fragment.h"
#include "manager/gui/vmanagerform.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTreeWidget>

#include <cstdint>

inline QTreeWidget* FragmentList(const TVManagerForm& manager)
{
    return Child<QTreeWidget>(manager, "lvFragmentsList");
}

inline QTreeWidget* PropertyList(const TVManagerForm& manager)
{
    return Child<QTreeWidget>(manager, "lvProperties");
}

// The fragment a list row carries, null for none.
inline TFragment* RowFragment(const QTreeWidgetItem* row)
{
    return row ? static_cast<TFragment*>(row->data(0, Qt::UserRole).value<void*>()) : nullptr;
}

// The selected row of the list, null for none.
inline QTreeWidgetItem* SelectedRow(const TVManagerForm& manager)
{
    const QList<QTreeWidgetItem*> selected = FragmentList(manager)->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

// The first listed fragment with this serial number and number.
inline TFragment* FindFragment(const TVManagerForm& manager, int32_t serialNumber, int32_t issue)
{
    for (size_t i = 0; i < manager.FragmentCount(); ++i) {
        TFragment* fragment = manager.FragmentAt(static_cast<int64_t>(i));
        if (fragment && fragment->Matches(serialNumber, issue))
            return fragment;
    }
    return nullptr;
}

// Presses Enter in the list: the selected row opens.
inline void OpenSelected(TVManagerForm& manager)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(FragmentList(manager), &press);
}
