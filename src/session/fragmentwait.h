// TFragmentWait: the archive fragment a player waits for while the fragment
// manager fetches it, and the one whose video has arrived and waits to be
// opened. Fragments are named by key (never by a record's address), and
// the arrived video's bytes are taken when they arrive: a new list may free
// the record before they are opened. One fragment is waited for at a time.
#pragma once

#include "core/sharedbytes.h"
#include "manager/fragment.h"

#include <optional>

class TFragmentWait {
public:
    // The fragment waited for; none when the player waits for nothing.
    const std::optional<TFragmentKey>& Pending() const { return FPending; }
    // The pending fragment whose video has arrived, until it is taken or
    // the wait ends otherwise.
    const std::optional<TFragmentKey>& Delivered() const { return FDelivered; }

    // Starts waiting for key: false, and nothing changes, while another
    // fragment is waited for.
    bool Begin(const TFragmentKey& key);
    // The video of key has arrived: true when key is the fragment waited
    // for, whose bytes are then kept until they are taken. Any other
    // video stays with its record.
    bool Deliver(const TFragmentKey& key, const TSharedBytes& bytes);

    struct TArrived {
        TFragmentKey Key;
        TSharedBytes Bytes;
    };
    // The arrived video, when its fragment is still the one waited for: the
    // wait is then over. Otherwise none (a cancel, a failure or a new list
    // ended the wait meanwhile). Either way nothing arrived is kept.
    std::optional<TArrived> TakeDelivered();
    // The wait ends without opening anything: both are forgotten.
    void Clear();

private:
    std::optional<TFragmentKey> FPending;
    std::optional<TFragmentKey> FDelivered;
    TSharedBytes FDeliveredBytes;
};
