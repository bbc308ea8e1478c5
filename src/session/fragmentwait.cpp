// The wait for a fetched archive fragment: which one, and its arrived video.
#include "fragmentwait.h"

#include <utility>

bool TFragmentWait::Begin(const TFragmentKey& key)
{
    if (FPending)
        return false;
    FPending = key;
    return true;
}

bool TFragmentWait::Deliver(const TFragmentKey& key, const TSharedBytes& bytes)
{
    if (!FPending || key != *FPending)
        return false;
    FDelivered = key;
    FDeliveredBytes = bytes;
    return true;
}

std::optional<TFragmentWait::TArrived> TFragmentWait::TakeDelivered()
{
    // Only the fragment waited for is delivered, and ending the wait
    // forgets the delivery: one delivered is still the one waited for.
    if (!FDelivered)
        return std::nullopt;
    TArrived arrived{*FDelivered, std::move(FDeliveredBytes)};
    Clear();
    return arrived;
}

void TFragmentWait::Clear()
{
    FPending.reset();
    FDelivered.reset();
    FDeliveredBytes = {};
}
