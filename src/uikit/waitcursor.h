// The cursor that tells the user the program is busy (loading a fragment,
// building or exporting a report), and its pause while a dialog waits for
// an answer.
#pragma once

// Shows the wait cursor over every window of the program for its lifetime.
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// Shows the normal arrow for its lifetime when a wait cursor is up, so that
// a message box or file dialog opened during long work asks with the arrow.
class TNormalCursor {
public:
    TNormalCursor();
    ~TNormalCursor();
    TNormalCursor(const TNormalCursor&) = delete;
    TNormalCursor& operator=(const TNormalCursor&) = delete;

private:
    bool FPushed = false;
};
