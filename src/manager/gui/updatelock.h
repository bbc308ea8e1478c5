// The begin/end update of a list view's items: no painting while rows are
// filled or rewritten, whatever ends the block.
#pragma once

#include <QAbstractItemView>

class TUpdateLock {
public:
    explicit TUpdateLock(QAbstractItemView* view) : FView(view), FWasEnabled(view->updatesEnabled())
    {
        FView->setUpdatesEnabled(false);
    }
    ~TUpdateLock() { FView->setUpdatesEnabled(FWasEnabled); }
    TUpdateLock(const TUpdateLock&) = delete;
    TUpdateLock& operator=(const TUpdateLock&) = delete;

private:
    QAbstractItemView* FView;
    bool FWasEnabled;
};
