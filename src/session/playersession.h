// TPlayerSession: the one owner of what a player has open. It holds the
// fragment's bytes (one shared, immutable block), where they came from (a
// file, or an archive record named by its numbers), and the playback engine
// with the image whose frames are views into those bytes. It dispatches the
// playback commands to the engine, and knows which archive fragment the
// player waits for (Wait()).
//
// Whoever works on the open fragment beyond one call (saving, a snapshot,
// the frame report, an export running on its own thread) takes its own
// reference from the session: Bytes(), or SharedImage() for an image of its
// own over the same bytes. Closing or replacing the fragment then frees
// nothing under it, and no one needs a pointer into the manager's records.
#pragma once

#include "core/sharedbytes.h"
#include "fragmentwait.h"
#include "player/engine/commands.h"
#include "player/engine/playbackengine.h"

#include <cstdint>
#include <memory>
#include <string>

// Where an open fragment's bytes came from.
struct TFragmentSource {
    std::string Path;          // the file's path (native encoding); empty otherwise
    int32_t SerialNumber = -1; // an archive record's numbers; -1 otherwise
    int32_t Issue = -1;

    static TFragmentSource File(std::string path) { return {std::move(path), -1, -1}; }
    static TFragmentSource Archive(int32_t serialNumber, int32_t issue) { return {{}, serialNumber, issue}; }
    bool IsFile() const { return !Path.empty(); }
    bool IsArchiveRecord() const { return SerialNumber >= 0 && Issue >= 0; }
};

class TPlayerSession {
public:
    explicit TPlayerSession(TPlaybackHost& host) : FEngine(host) {}
    TPlayerSession(const TPlayerSession&) = delete;
    TPlayerSession& operator=(const TPlayerSession&) = delete;

    TPlaybackEngine& Engine() { return FEngine; }
    const TPlaybackEngine& Engine() const { return FEngine; }

    // The fragment read from bytes, its frames viewing them. Raises as
    // TMJPGImage's load does; the image may be invalid (not a fragment).
    static std::unique_ptr<TMJPGImage> ReadImage(const TSharedBytes& bytes);

    // The fragment becomes the open one; the engine gets the image (read
    // from bytes, or from a stream the session keeps no bytes of).
    void Open(std::unique_ptr<TMJPGImage> image, TSharedBytes bytes, TFragmentSource source);
    // Nothing is open: the engine lets its image go, the session its bytes.
    void Close();

    // The open fragment's bytes as they were read or fetched (empty for a
    // fragment read from a stream); a reference of the caller's own.
    const TSharedBytes& Bytes() const { return FBytes; }
    const TFragmentSource& Source() const { return FSource; }
    // Counts every Open and Close: a caller that kept the count sees
    // whether the fragment it asked about is still the open one (an
    // address could be reused by the next fragment, a count never is).
    uint64_t Opening() const { return FOpening; }

    // An image of the caller's own with the open one's header and frames,
    // each frame a view of the same bytes: nothing is copied, and it stays
    // whole whatever the player opens or closes meanwhile. Null when
    // nothing is open. Raises std::bad_alloc.
    std::unique_ptr<TMJPGImage> SharedImage() const;

    // Runs a playback command (the frame steps, the play directions, pause
    // and stop); false for a command that is not the engine's.
    bool Execute(TPlayerCommand command);

    // The archive fragment the player waits for (fragmentwait.h). Opening
    // or closing a fragment leaves it as it is.
    TFragmentWait& Wait() { return FWait; }
    const TFragmentWait& Wait() const { return FWait; }

private:
    TPlaybackEngine FEngine;
    TSharedBytes FBytes;
    TFragmentSource FSource;
    uint64_t FOpening = 0;
    TFragmentWait FWait;
};
