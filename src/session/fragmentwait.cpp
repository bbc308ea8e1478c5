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
    const std::optional<TFragmentKey> key = std::exchange(FDelivered, std::nullopt);
    TSharedBytes bytes = std::exchange(FDeliveredBytes, {});
    if (!key || key != FPending)
        return std::nullopt;
    FPending.reset();
    return TArrived{*key, std::move(bytes)};
}

void TFragmentWait::Clear()
{
    FPending.reset();
    FDelivered.reset();
    FDeliveredBytes = {};
}
