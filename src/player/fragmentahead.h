// A fragment file read ahead (core/readahead.h) is also made ready to show
// on the thread that read it: its image read from the bytes, and the
// picture of its first frame with data decoded at full size in RGB32. The
// window takes them when it opens those very bytes; the picture is used
// only where the view would decode the frame the same way (a view that does
// not reduce it, on a display of more than 8 bits per pixel). Anything else
// is read and decoded as without it.
#pragma once

#include "container/mjpgimage.h"
#include "core/sharedbytes.h"

#include <QImage>

#include <memory>
#include <mutex>

class TFragmentAhead {
public:
    struct TPrepared {
        std::unique_ptr<TMJPGImage> Image; // null: nothing prepared from the bytes
        const TMJPGFrame* Frame = nullptr; // the frame whose picture was decoded (of Image); null for none
        QImage Picture;
    };

    // On the reading thread, with the bytes read whole; replaces what was
    // prepared before. An image that cannot be read or is not a fragment
    // leaves nothing (the window reads it again and tells why).
    void Prepare(const TSharedBytes& bytes);
    // What was prepared from these very bytes (the same block, start and
    // size), once; nothing for other bytes, which leave it prepared.
    TPrepared Take(const TSharedBytes& bytes);
    // The first picture waiting to be taken (sharing its pixels), null for
    // none.
    QImage PreparedPicture();

private:
    std::mutex FMutex;
    TSharedBytes FBytes;
    TPrepared FPrepared;
};

// The program's one (for the fragment named on its command line).
TFragmentAhead& ProgramFragmentAhead();
