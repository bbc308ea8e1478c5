// Raising one of the manager's events: an owner's handler may fail; the
// manager drops the failure at the call and goes on.
#pragma once

#include "core/failures.h"

#include <exception>
#include <utility>

template <class Event, class... Args>
void RaiseEvent(const Event& event, Args&&... args)
{
    if (!event)
        return;
    try {
        event(std::forward<Args>(args)...);
    } catch (const std::exception&) {
        NoteCurrentFailure("fragment manager: an owner's handler");
    }
}
