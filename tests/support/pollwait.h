// Waiting in a test for what another thread or process does: the condition
// is asked every few milliseconds until it holds or the limit has passed.
// The limit is there only so that a fault ends the test; it is generous, as
// a loaded machine may need it.
#pragma once

#include <chrono>
#include <thread>

// Whether the condition came to hold within the limit.
template <class TCondition>
bool PollUntil(TCondition holds, std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!holds()) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
