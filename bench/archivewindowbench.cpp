// bench_archive_window: what the archive functions of the windows cost in
// memory, offscreen, each measurement in a fresh child process.
//
// RATIO fetch_play_rss_vs_body: the peak resident memory from the start of a
// fetch through the first second of its playback in the player window, over
// the body size (median of runs). The fragment record, the open fragment
// and its frames share the one body: a little over one body.
//
// RATIO export_fetched_rss_vs_body: the peak resident memory of the main
// window from the start of a fetch until it has exported the fragment it
// opened (with a manifest), over the body size (median of runs; given
// --export-folder with a fragment 1-1.mjpg). The record, the open fragment
// and the export all view the one body.
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
#include "shell/exportform.h"
#include "shell/mainform.h"
#include "uikit/dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
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

// Lists the server's one fragment in the player's manager, opens it as a
// double click does, lets it play for `ms` and then triggers `end` (stop or
// pause). `before` is the resident memory just before the open, the peak
// counted from there. False when something failed.
bool ListOpenAndPlay(TVPlayerForm& player, int port, int ms, QAction* end, int64_t& before)
{
    TVManagerForm& manager = *player.Manager;
    manager.Host = "127.0.0.1";
    manager.Port = port;
    manager.OnRequestError = [](TVManagerForm*, int, const std::string&) {};
    manager.RequestList();
    if (!ProcessUntil([&] { return manager.RequestState == rsIdle; }, 60000) || manager.FragmentCount() != 1)
        return false;
    ProcessUntil([] { return false; }, 200); // settled
    std::ofstream("/proc/self/clear_refs") << "5";
    before = ResidentBytes();
    bool played = false;
    const QMetaObject::Connection watch = QObject::connect(&player, &TVPlayerForm::StateChanged, &player, [&] {
        if (IsPlaying(player.State) && !played) {
            played = true;
            QTimer::singleShot(ms, &player, [end] { end->trigger(); });
        }
    });
    manager.lvFragmentsList->setCurrentItem(manager.lvFragmentsList->topLevelItem(0));
    manager.OpenSelected();
    const bool done = ProcessUntil([&] { return played && !IsPlaying(player.State); }, 120000);
    QObject::disconnect(watch);
    return done && player.Image;
}

// Lists the folder, opens its one fragment and lets it play for a second;
// the peak over the memory before the open, per body byte. 0 when
// something failed.
double FetchPlayRatioInChild(int port, int64_t bodySize)
{
    double ratio = 0;
    const bool ran = RunInChild(ratio, [&] {
        QApplication app(gArgc, gArgv);
        TGuiCompletion completion;
        TVPlayerForm form;
        form.resize(800, 600);
        form.show();
        int64_t before = 0;
        if (ListOpenAndPlay(form, port, 1000, form.findChild<QAction*>(QStringLiteral("actStop")), before))
            ratio = static_cast<double>(PeakResidentBytes() - before) / static_cast<double>(bodySize);
    });
    return ran ? ratio : 0;
}

// Dialogs that answer the export's questions: the path, and OK to every
// message (the last one kept).
class TExportAnswers : public TDialogs {
public:
    QString Path;
    QString LastMessage;
    bool OpenFileName(QWidget*, TFileDialogOptions&) override { return false; }
    bool SaveFileName(QWidget*, TFileDialogOptions& options) override
    {
        options.FileName = Path;
        return true;
    }
    TModalResult Message(QWidget*, const QString&, const QString& text, TMsgIcon, TMsgButtons) override
    {
        LastMessage = text;
        return TModalResult::OK;
    }
};

// Fetches and opens the folder's fragment in the main window, pauses it
// after half a second and exports it whole with a manifest into `out`; the
// peak over the memory before the open, per body byte. 0 when something
// failed.
double ExportFetchedRatioInChild(int port, int64_t bodySize, const std::string& out)
{
    double ratio = 0;
    const bool ran = RunInChild(ratio, [&] {
        QApplication app(gArgc, gArgv);
        TGuiCompletion completion;
        TExportAnswers answers;
        answers.Path = QString::fromStdString(out);
        SetDialogs(&answers);
        TArchiveSettings settings;
        settings.Host = "127.0.0.1";
        settings.Port = port;
        TMainForm form(settings);
        form.resize(800, 600);
        form.show();
        TVPlayerForm& player = *VPlayerForm;
        int64_t before = 0;
        if (!ListOpenAndPlay(player, port, 500, player.findChild<QAction*>(QStringLiteral("actPause")), before))
            return;
        // The parameters dialog: the whole fragment, with a manifest.
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, &form, [] {
            if (auto* dialog = qobject_cast<TExportForm*>(QApplication::activeModalWidget())) {
                dialog->ckbManifest->setChecked(true);
                dialog->btnOK->click();
            }
        });
        answer.start(20);
        form.actFileExportUpdate();
        form.actFileExport->trigger();
        answer.stop();
        SetDialogs(nullptr);
        if (answers.LastMessage == QStringLiteral("Видеофрагмент экспортирован."))
            ratio = static_cast<double>(PeakResidentBytes() - before) / static_cast<double>(bodySize);
    });
    std::filesystem::remove(out);
    std::filesystem::remove(out + ".sha256");
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
    const std::string exportFolder = TakeOption(argc, argv, "export-folder", "");
    if (folder.empty() || runs < 1) {
        std::fprintf(stderr, "usage: bench_archive_window --folder DIR (holding 1-1.mjpg) [--export-folder DIR "
                             "(holding 1-1.mjpg)] [--runs N]\n");
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

    std::vector<double> exportRatios;
    if (!exportFolder.empty()) {
        const auto exportBody = static_cast<int64_t>(
            std::filesystem::file_size(std::filesystem::path(exportFolder) / "1-1.mjpg", error));
        if (error || exportBody <= 0) {
            std::fprintf(stderr, "bench_archive_window: no fragment 1-1.mjpg in %s\n", exportFolder.c_str());
            return 2;
        }
        const std::string out = (std::filesystem::path(exportFolder) / "export.mkv").string();
        TDemoServerProcess server(exportFolder);
        for (int i = 0; i < runs; ++i) {
            const double ratio = ExportFetchedRatioInChild(server.Port(), exportBody, out);
            if (ratio <= 0) {
                std::fprintf(stderr, "bench_archive_window: fetching and exporting failed\n");
                return 1;
            }
            std::printf("fetch and export %d: body %.1f MB, peak resident +%.1f MB, ratio %.3f\n", i + 1,
                        exportBody / 1e6, ratio * exportBody / 1e6, ratio);
            exportRatios.push_back(ratio);
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
    if (!exportRatios.empty())
        PrintRatio("export_fetched_rss_vs_body", Median(exportRatios));
    PrintRatio("hostile_list_rss", Median(hostilePeaks) / Median(emptyPeaks));
    return 0;
}
