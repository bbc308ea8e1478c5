// Looking at a modal window as it really appears: a timer waits for it to
// come up, hands it to the test and lets the test answer it.
#pragma once

#include <QWidget>
#include <functional>

#include <gtest/gtest.h>

// Calls `inspect` with the active modal window once one is up, from inside
// the modal loop that the code under test runs next. `inspect` must close it
// (press a button, accept, reject); a window still open after a few seconds
// is closed so that a failing test cannot hang.
void WhenModal(std::function<void(QWidget*)> inspect);

// The same for a modal window of the class T: `inspect` gets it as a T. Any
// other modal window is a failure of the test and is closed at once.
template <class T>
void WhenModalIs(std::function<void(T*)> inspect)
{
    WhenModal([inspect](QWidget* modal) {
        auto* window = qobject_cast<T*>(modal);
        if (!window) {
            ADD_FAILURE() << "another modal window came up: " << modal->metaObject()->className();
            modal->close();
            return;
        }
        inspect(window);
    });
}
