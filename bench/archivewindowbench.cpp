// bench_archive_window: what the archive functions of the windows cost in
// memory, offscreen, each measurement in a fresh child process.
//
// RATIO fetch_play_rss_vs_body: the peak resident memory from the start of a
// fetch through the first second of its playback in the player window, over
// the body size (median of runs). The fragment record keeps the video and
// the loaded fragment holds its frames: about two bodies at best.
//
// RATIO hostile_list_rss: the peak resident memory of the manager window
// reading a list answer of 5 MB of line breaks, over its peak with an empty
// answer (medians of runs).
#include "archive/qtcompletion/guicompletion.h"
#include "demoserverprocess.h"
#include "benchsupport.h"
#include "http/curllibrary.h"
#include "manager/fragment.h"
#include "manager/gui/vmanagerform.h"
#include "player/vplayerform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

namespace {

int gArgc = 1;
char gProgram[] = "bench_archive_window";
char* gArgv[] = {gProgram, nullptr};

bool ProcessUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

// Lists the folder, opens its one fragment as a double click does and lets
// it play for a second; the peak over the memory before the open, per body
// byte. 0 when something failed.
double FetchPlayRatioInChild(int port, int64_t bodySize)
{
    double ratio = 0;
    const bool ran = RunInChild(ratio, [&] {
        QApplication app(gArgc, gArgv);
        TGuiCompletion completion;
        TVPlayerForm form;
        form.resize(800, 600);
        form.show();
        TVManagerForm& manager = *form.Manager;
        manager.Host = "127.0.0.1";
        manager.Port = port;
        manager.RequestList();
        if (!ProcessUntil([&] { return manager.RequestState == rsIdle; }, 60000) || manager.FragmentCount() != 1)
            return;
        ProcessUntil([] { return false; }, 200); // settled
        std::ofstream("/proc/self/clear_refs") << "5";
        const int64_t before = ResidentBytes();
        bool played = false;
        // The first second of the playback, then stop it.
        QObject::connect(&form, &TVPlayerForm::StateChanged, &form, [&] {
            if (IsPlaying(form.State) && !played) {
                played = true;
                QTimer::singleShot(1000, &form, [&] { form.actStop->trigger(); });
            }
        });
        manager.lvFragmentsList->setCurrentItem(manager.lvFragmentsList->topLevelItem(0));
        manager.OpenSelected();
        if (!ProcessUntil([&] { return played && !IsPlaying(form.State); }, 120000))
            return;
        if (form.Image)
            ratio = static_cast<double>(PeakResidentBytes() - before) / static_cast<double>(bodySize);
    });
    return ran ? ratio : 0;
}

// The manager alone reading the server's list answer: its peak resident
// memory in bytes; 0 when the list failed.
double ListPeakInChild(int port)
{
    double peak = 0;
    const bool ran = RunInChild(peak, [&] {
        QApplication app(gArgc, gArgv);
        TGuiCompletion completion;
        TVManagerForm manager;
        manager.Host = "127.0.0.1";
        manager.Port = port;
        manager.OnRequestError = [](TVManagerForm*, int, const std::string&) {};
        manager.RequestList();
        if (!ProcessUntil([&] { return manager.RequestState == rsIdle; }, 60000))
            return;
        peak = static_cast<double>(PeakResidentBytes());
    });
    return ran ? peak : 0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = TakeOption(argc, argv, "folder");
    const int runs = std::atoi(TakeOption(argc, argv, "runs", "5").c_str());
    if (folder.empty() || runs < 1) {
        std::fprintf(stderr, "usage: bench_archive_window --folder DIR (holding 1-1.mjpg) [--runs N]\n");
        return 2;
    }
    std::error_code error;
    const auto bodySize =
        static_cast<int64_t>(std::filesystem::file_size(std::filesystem::path(folder) / "1-1.mjpg", error));
    if (error || bodySize <= 0) {
        std::fprintf(stderr, "bench_archive_window: no fragment 1-1.mjpg in %s\n", folder.c_str());
        return 2;
    }
    InitCurlLibrary();

    std::vector<double> playRatios;
    {
        TDemoServerProcess server(folder);
        for (int i = 0; i < runs; ++i) {
            const double ratio = FetchPlayRatioInChild(server.Port(), bodySize);
            if (ratio <= 0) {
                std::fprintf(stderr, "bench_archive_window: fetching and playing failed\n");
                return 1;
            }
            std::printf("fetch and play %d: body %.1f MB, peak resident +%.1f MB, ratio %.3f\n", i + 1,
                        bodySize / 1e6, ratio * bodySize / 1e6, ratio);
            playRatios.push_back(ratio);
        }
    }

    // The answers: 5 MB of line breaks, and nothing at all.
    const std::filesystem::path scratch = std::filesystem::path(folder) / "answers";
    std::filesystem::create_directories(scratch);
    const std::filesystem::path hostile = scratch / "line-breaks.txt", empty = scratch / "empty.txt";
    std::ofstream(hostile, std::ios::binary) << std::string(5 * 1024 * 1024, '\n');
    std::ofstream(empty, std::ios::binary).flush();
    std::vector<double> hostilePeaks, emptyPeaks;
    {
        TDemoServerProcess hostileServer(scratch.string(), {"--list-file", hostile.string()});
        TDemoServerProcess emptyServer(scratch.string(), {"--list-file", empty.string()});
        for (int i = 0; i < runs; ++i) {
            const double withLines = ListPeakInChild(hostileServer.Port());
            const double without = ListPeakInChild(emptyServer.Port());
            if (withLines <= 0 || without <= 0) {
                std::fprintf(stderr, "bench_archive_window: a list request failed\n");
                return 1;
            }
            std::printf("list %d: peak resident %.1f MB with 5 MB of line breaks, %.1f MB with an empty answer\n",
                        i + 1, withLines / 1e6, without / 1e6);
            hostilePeaks.push_back(withLines);
            emptyPeaks.push_back(without);
        }
    }
    std::filesystem::remove_all(scratch);

    PrintRatio("fetch_play_rss_vs_body", Median(playRatios));
    PrintRatio("hostile_list_rss", Median(hostilePeaks) / Median(emptyPeaks));
    return 0;
}
