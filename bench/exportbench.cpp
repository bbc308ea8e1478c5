// bench_export: exporting a loaded fragment to Matroska against copying its
// file with cp, interleaved, medians of wall-clock time; and the peak
// resident memory of a whole "mjpgtool export" (load and export) against
// the fragment's size plus 50 MB.
// Then a signed ONVIF MP4 export of the same fragment against cp, and
// "mjpgtool verify" of that MP4 against sha256sum of it (a key and a
// certificate made with openssl for the run).
// Prints RATIO export_vs_copy, RATIO export_peak_vs_limit (at most 1),
// RATIO export_mp4_signed_vs_copy and RATIO verify_vs_sha256sum.
#include "benchsupport.h"
#include "container/mjpgimage.h"
#include "core/streams.h"
#include "export/videoexport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct TRun {
    double Wall = 0; // seconds
    double CPU = 0;  // user + system, seconds
    long PeakKB = 0; // the child's peak resident memory
    int Status = -1;
};

double Seconds(const timeval& t)
{
    return t.tv_sec + t.tv_usec / 1e6;
}

TRun RunProgram(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    TRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return run;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.Wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.CPU = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    run.PeakKB = usage.ru_maxrss;
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double SelfCPU()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double WallOf(const std::function<void()>& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int SignedMp4Figures(const std::string& fixture, const std::string& folder, const std::string& mjpgtool,
                     int repetitions)
{
    namespace fs = std::filesystem;
    const std::string key = (fs::path(folder) / "key.pem").string();
    const std::string cert = (fs::path(folder) / "cert.pem").string();
    if (RunProgram({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert, "-days",
                    "2", "-subj", "/CN=bench"})
            .Status != 0) {
        std::fprintf(stderr, "bench_export: openssl cannot make a key\n");
        return 1;
    }
    std::unique_ptr<TMJPGImage> image;
    {
        TFileStream file(fixture, TFileMode::fmOpenRead);
        image = std::make_unique<TMJPGImage>(&file);
    }
    TExportOptions options;
    options.Container = TExportContainer::Mp4;
    options.Signer = TSigningKey::Load(key, cert, "");
    const std::string exported = (fs::path(folder) / "export.mp4").string();
    const std::string copied = (fs::path(folder) / "copy.mjpg").string();
    std::vector<double> exportWall, exportCPU, plainWall, copyWall, verifyWall, sumWall;
    TExportOptions plain;
    plain.Container = TExportContainer::Mp4;
    for (int i = 0; i < repetitions; ++i) {
        ::sync();
        const TRun copy = RunProgram({"cp", fixture, copied});
        fs::remove(copied);
        ::sync();
        try {
            const double cpuBefore = SelfCPU();
            exportWall.push_back(WallOf([&] { ExportFragment(*image, exported, options); }));
            exportCPU.push_back(SelfCPU() - cpuBefore);
            const std::string unsigned_ = (fs::path(folder) / "plain.mp4").string();
            plainWall.push_back(WallOf([&] { ExportFragment(*image, unsigned_, plain); }));
            fs::remove(unsigned_);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "bench_export: %s\n", e.what());
            return 1;
        }
        copyWall.push_back(copy.Wall);
        const TRun verify = RunProgram({mjpgtool, "verify", exported});
        const TRun sum = RunProgram({"sha256sum", exported});
        if (verify.Status != 4 || sum.Status != 0) { // signed, and no authority vouches for the bench's key
            std::fprintf(stderr, "bench_export: verify ended with %d, sha256sum with %d\n", verify.Status, sum.Status);
            return 1;
        }
        verifyWall.push_back(verify.Wall);
        sumWall.push_back(sum.Wall);
        fs::remove(exported);
        std::printf("run %d: signed MP4 export %.3f s (CPU %.3f s, unsigned %.3f s), cp %.3f s; verify %.3f s, "
                    "sha256sum %.3f s\n",
                    i + 1, exportWall.back(), exportCPU.back(), plainWall.back(), copy.Wall, verify.Wall, sum.Wall);
    }
    PrintDetail("signed MP4 export " + std::to_string(Median(exportWall)) + " s (CPU " +
                std::to_string(Median(exportCPU)) + " s), unsigned " + std::to_string(Median(plainWall)) + " s, cp " +
                std::to_string(Median(copyWall)) + " s; verify " + std::to_string(Median(verifyWall)) +
                " s, sha256sum " + std::to_string(Median(sumWall)) + " s (medians, wall)");
    PrintRatio("export_mp4_signed_vs_copy", Median(exportWall) / Median(copyWall));
    PrintRatio("verify_vs_sha256sum", Median(verifyWall) / Median(sumWall));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string fixture = TakeOption(argc, argv, "fixture");
    const std::string folder = TakeOption(argc, argv, "folder");
    const std::string mjpgtool = TakeOption(argc, argv, "mjpgtool");
    const int repetitions = std::atoi(TakeOption(argc, argv, "repetitions", "5").c_str());
    if (fixture.empty() || folder.empty() || mjpgtool.empty() || argc != 1 || repetitions < 1) {
        std::fprintf(stderr, "usage: bench_export --fixture FILE.mjpg --folder DIR --mjpgtool PATH [--repetitions N]\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const std::string exported = (fs::path(folder) / "export.mkv").string();
    const std::string copied = (fs::path(folder) / "copy.mjpg").string();
    const int64_t size = static_cast<int64_t>(fs::file_size(fixture));

    std::unique_ptr<TMJPGImage> image;
    {
        TFileStream file(fixture, TFileMode::fmOpenRead);
        image = std::make_unique<TMJPGImage>(&file);
    }
    std::vector<double> exportWall, exportCPU, copyWall, copyCPU;
    for (int i = 0; i < repetitions; ++i) {
        // Each side starts with no dirty pages of the other's file to write.
        ::sync();
        const TRun copy = RunProgram({"cp", fixture, copied});
        if (copy.Status != 0) {
            std::fprintf(stderr, "bench_export: cp failed\n");
            return 1;
        }
        fs::remove(copied);
        ::sync();

        const double cpuBefore = SelfCPU();
        const auto start = std::chrono::steady_clock::now();
        try {
            ExportFragment(*image, exported, {});
        } catch (const std::exception& e) {
            std::fprintf(stderr, "bench_export: %s\n", e.what());
            return 1;
        }
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu = SelfCPU() - cpuBefore;
        fs::remove(exported);
        exportWall.push_back(wall);
        exportCPU.push_back(cpu);
        copyWall.push_back(copy.Wall);
        copyCPU.push_back(copy.CPU);
        std::printf("run %d: export %.3f s (CPU %.3f s), cp %.3f s (CPU %.3f s), %.1f MB\n", i + 1, wall, cpu,
                    copy.Wall, copy.CPU, size / 1e6);
    }
    image.reset();

    // The whole command in a process of its own: its peak memory.
    std::vector<double> toolWall;
    long peakKB = 0;
    for (int i = 0; i < std::max(1, repetitions / 2); ++i) {
        const TRun tool = RunProgram({mjpgtool, "export", fixture, exported});
        if (tool.Status != 0) {
            std::fprintf(stderr, "bench_export: mjpgtool export failed (%d)\n", tool.Status);
            return 1;
        }
        fs::remove(exported);
        toolWall.push_back(tool.Wall);
        peakKB = std::max(peakKB, tool.PeakKB);
        std::printf("mjpgtool export %d: %.3f s, CPU %.3f s, peak %.1f MB\n", i + 1, tool.Wall, tool.CPU,
                    tool.PeakKB * 1024 / 1e6);
    }

    PrintDetail("export " + std::to_string(Median(exportWall)) + " s, cp " + std::to_string(Median(copyWall)) +
                " s (medians, wall); CPU " + std::to_string(Median(exportCPU)) + " s against " +
                std::to_string(Median(copyCPU)) + " s");
    PrintDetail("mjpgtool export (load and export) " + std::to_string(Median(toolWall)) + " s, " +
                std::to_string(Median(toolWall) / Median(copyWall)) + " x cp");
    const double limit = static_cast<double>(size) + 50e6;
    PrintDetail("mjpgtool export peak " + std::to_string(peakKB * 1024 / 1e6) + " MB, limit " +
                std::to_string(limit / 1e6) + " MB (fragment " + std::to_string(size / 1e6) + " MB + 50 MB)");
    PrintRatio("export_vs_copy", Median(exportWall) / Median(copyWall));
    PrintRatio("export_peak_vs_limit", peakKB * 1024.0 / limit);
    return SignedMp4Figures(fixture, folder, mjpgtool, repetitions);
}
