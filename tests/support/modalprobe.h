// Looking at a modal window as it really appears: a timer waits for it to
// come up, hands it to the test and lets the test answer it.
#pragma once

#include <QWidget>
#include <functional>

// Calls `inspect` with the active modal window once one is up, from inside
// the modal loop that the code under test runs next. `inspect` must close it
// (press a button, accept, reject); a window still open after a few seconds
// is closed so that a failing test cannot hang.
void WhenModal(std::function<void(QWidget*)> inspect);
