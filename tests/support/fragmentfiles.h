// Small fragments for the window tests: each frame with a picture is a solid
// colour that tells its index (fixtures/framemaker.h), so a test can see which
// frame the window shows; files go to a scratch folder of the test run.
#pragma once

#include "core/streams.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TFragmentPlan {
    int32_t Width = 16;   // header values; the pictures are small whatever they say
    int32_t Height = 16;
    int32_t FPS = 2000;   // above 1000: one frame on every pass of the playback loop
    std::vector<bool> Frames; // true: the frame carries a picture
    std::vector<int> Garbage; // indexes of frames whose bytes are not a JPEG picture
    std::string Time;         // event, begin and end ("dd.mm.yyyy hh:nn:ss"); empty: the zero date
};

std::string FragmentBytes(const TFragmentPlan& plan);
std::unique_ptr<TMemoryStream> BuildFragment(const TFragmentPlan& plan);
// Writes the fragment into a file under the test's temporary folder.
QString WriteFragmentFile(const QString& name, const TFragmentPlan& plan);
QString WriteTextFile(const QString& name, const std::string& text);
// A path in the test's temporary folder that does not exist.
QString MissingPath(const QString& name);

// The index of the frame whose picture this is; -1 for no picture.
int FrameOfPicture(const QImage& picture);
