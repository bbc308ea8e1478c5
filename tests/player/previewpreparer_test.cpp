// The worker that prepares slider previews: its order (nearest the pointer
// first, distances on the pointer's way counting half), its pause, its byte
// budget, frames it must leave alone, and pictures it cannot make.
#include "player/previewpreparer.h"
#include "pollwait.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace {

// Jobs for `indices`; each one's bytes are the index as text.
std::vector<TPreviewPreparer::TJob> Jobs(const std::vector<int32_t>& indices)
{
    std::vector<TPreviewPreparer::TJob> jobs;
    for (int32_t index : indices) {
        const std::string text = std::to_string(index);
        jobs.push_back({index, TSharedBytes::Copy(text.data(), static_cast<int64_t>(text.size()))});
    }
    return jobs;
}

int32_t IndexOf(const TSharedBytes& bytes)
{
    return std::stoi(std::string(reinterpret_cast<const char*>(bytes.Memory()), static_cast<size_t>(bytes.Size())));
}

// Records what the worker decodes; a picture of 4 x 4 RGB32 (64 bytes) each.
// With Hold set (before the worker starts), each decode waits until the
// test lets it go.
class TRecorder {
public:
    bool Hold = false; // read and changed under FLock once the worker runs

    TPreviewPreparer::TDecode Decode()
    {
        return [this](const TSharedBytes& bytes) {
            const int32_t index = IndexOf(bytes);
            std::unique_lock lock(FLock);
            FDecoded.push_back(index);
            FChanged.notify_all();
            FChanged.wait(lock, [&] { return !Hold || FLetGo > 0; });
            if (Hold)
                --FLetGo;
            if (index < 0)
                throw std::runtime_error("no picture");
            return QImage(4, 4, QImage::Format_RGB32);
        };
    }
    std::vector<int32_t> Decoded()
    {
        std::lock_guard lock(FLock);
        return FDecoded;
    }
    // Waits until `count` decodes have begun.
    void WaitFor(size_t count)
    {
        std::unique_lock lock(FLock);
        FChanged.wait(lock, [&] { return FDecoded.size() >= count; });
    }
    // Decodes wait no more.
    void Release()
    {
        std::lock_guard lock(FLock);
        Hold = false;
        FChanged.notify_all();
    }
    void LetOneGo()
    {
        std::lock_guard lock(FLock);
        ++FLetGo;
        FChanged.notify_all();
    }

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    std::vector<int32_t> FDecoded;
    int FLetGo = 0;
};

std::vector<int32_t> Indices(const std::vector<TPreviewPreparer::TPrepared>& prepared)
{
    std::vector<int32_t> indices;
    for (const auto& picture : prepared)
        indices.push_back(picture.Index);
    return indices;
}

} // namespace

TEST(PreviewPreparerTest, NearestThePointerFirst)
{
    struct TRow {
        const char* Name;
        std::vector<int32_t> Jobs;
        int32_t Aim;
        std::vector<int32_t> Order;
    } rows[] = {
        {"around the aim, upwards counting half", {0, 1, 2, 3, 4, 5, 6}, 3, {3, 4, 5, 2, 6, 1, 0}},
        {"gaps between the frames", {0, 10, 12, 30, 31}, 11, {12, 10, 30, 31, 0}},
        {"past the last", {2, 4, 6}, 9, {6, 4, 2}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TRecorder recorder;
        TPreviewPreparer preparer;
        preparer.Start(Jobs(row.Jobs), row.Aim, 1 << 20, recorder.Decode(), nullptr);
        ASSERT_TRUE(PollUntil([&] { return !preparer.Busy(); }));
        EXPECT_EQ(recorder.Decoded(), row.Order);
        EXPECT_EQ(Indices(preparer.Take()), row.Order);
        EXPECT_TRUE(preparer.Take().empty());
    }
}

TEST(PreviewPreparerTest, PausesGoesOnFromTheNewAimAndSkips)
{
    TRecorder recorder;
    recorder.Hold = true;
    TPreviewPreparer preparer;
    int ready = 0; // only ever called with the preparer's lock held
    preparer.Start(Jobs({0, 1, 2, 3, 4, 5, 6, 7, 8}), 6, 1 << 20, recorder.Decode(), [&] { ++ready; });
    recorder.WaitFor(1); // 6 is being decoded
    preparer.Pause();
    recorder.LetOneGo();
    ASSERT_TRUE(PollUntil([&] { return !preparer.Busy(); }));
    EXPECT_EQ(recorder.Decoded(), std::vector<int32_t>({6}));
    EXPECT_EQ(Indices(preparer.Take()), std::vector<int32_t>({6}));

    // Back at 2, going down (distances below count half); 1 is decoded by
    // someone else meanwhile.
    preparer.Skip(1);
    recorder.Release();
    preparer.Aim(2);
    ASSERT_TRUE(PollUntil([&] { return !preparer.Busy(); }));
    EXPECT_EQ(recorder.Decoded(), std::vector<int32_t>({6, 2, 0, 3, 4, 5, 7, 8}));
    EXPECT_EQ(Indices(preparer.Take()), std::vector<int32_t>({2, 0, 3, 4, 5, 7, 8}));
    EXPECT_GE(ready, 2);
    preparer.Stop();
    EXPECT_FALSE(preparer.Started());
}

TEST(PreviewPreparerTest, StopsAtItsBudgetAndLeavesFailuresOut)
{
    TRecorder recorder;
    TPreviewPreparer preparer;
    // Three pictures of 64 bytes fit; -1 cannot be decoded.
    preparer.Start(Jobs({-1, 0, 1, 2, 3, 4}), 0, 3 * 64 + 10, recorder.Decode(), nullptr);
    ASSERT_TRUE(PollUntil([&] { return !preparer.Busy(); }));
    EXPECT_EQ(recorder.Decoded(), std::vector<int32_t>({0, 1, 2, -1, 3}));
    EXPECT_EQ(Indices(preparer.Take()), std::vector<int32_t>({0, 1, 2}));
}

TEST(PreviewPreparerTest, StopDropsWhatWasNotTaken)
{
    TRecorder recorder;
    recorder.Hold = true;
    TPreviewPreparer preparer;
    preparer.Start(Jobs({0, 1, 2}), 0, 1 << 20, recorder.Decode(), nullptr);
    recorder.WaitFor(1);
    EXPECT_TRUE(preparer.Busy());
    // The picture in hand is made, and waits in the hand-over list.
    preparer.Pause();
    recorder.LetOneGo();
    ASSERT_TRUE(PollUntil([&] { return !preparer.Busy(); }));
    preparer.Stop();
    EXPECT_FALSE(preparer.Busy());
    EXPECT_TRUE(preparer.Take().empty());
    EXPECT_EQ(recorder.Decoded(), std::vector<int32_t>({0}));
}
