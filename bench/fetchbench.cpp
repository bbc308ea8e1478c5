// bench_fetch: fetching a large fragment from the archive server over
// loopback with a video worker (the player's own path: HTTP client, body in
// memory), against the curl program fetching the same URL from the same
// server in the same run.
//
// RATIO fetch_vs_curl: wall time of the worker's fetch over curl's, medians
// of interleaved repetitions (curl runs in a child process, so only the wall
// clock sees its time). curl throws the body away (-o /dev/null), which
// spares it the zeroed pages and the copy that keeping the 200 MB costs the
// worker. A detail line gives the same against curl saving the body into a
// file in memory (/dev/shm, else the temporary folder), where both sides keep
// the bytes.
//
// RATIO fetch_tls_vs_curl: the same over https (a second archive server
// speaking TLS with a certificate from an authority made for the run), the
// worker's fetch over curl --cacert ... -o /dev/null.
//
// RATIO fetch_rss_vs_body: peak resident memory a fetch adds, the hand-over
// of the body to the fragment record included, over the body size; median
// of fetches in fresh child processes.
#include "archive/fragmentsaction.h"
#include "demoserverprocess.h"
#include "benchsupport.h"
#include "http/curllibrary.h"
#include "fixtures/files.h"
#include "manager/fragment.h"
#include "testauthority.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

int gPort = 0;
int gTlsPort = 0;
std::string gCaFile;
int64_t gBodySize = 0;
std::string gCurl = "curl";

std::string Url(bool tls = false)
{
    return (tls ? "https://127.0.0.1:" + std::to_string(gTlsPort) : "http://127.0.0.1:" + std::to_string(gPort)) +
           "/video?sn=1&issue=1";
}

// One fetch as the fragment manager starts it; the body stays with the
// worker.
std::unique_ptr<TFragmentsGetVideo> Fetch(bool tls = false)
{
    auto worker = std::make_unique<TFragmentsGetVideo>();
    worker->Host = "127.0.0.1";
    worker->Port = tls ? gTlsPort : gPort;
    worker->Secure = tls;
    worker->CaFile = tls ? gCaFile : std::string();
    worker->SerialNumber = 1;
    worker->Issue = 1;
    worker->Start();
    worker->WaitFor();
    return worker;
}

void FetchWithWorker(benchmark::State& state, bool tls)
{
    for (auto _ : state) {
        auto worker = Fetch(tls);
        state.PauseTiming();
        const bool ok = worker->ResultCode == 200 && worker->GetBody()->Size() == gBodySize;
        worker.reset();
        ::malloc_trim(0); // the next fetch writes into fresh memory, as curl's process does
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("the fetch failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * gBodySize);
}

// curl fetching the URL into `output`; a file it made is removed after each
// fetch, outside the timing.
void FetchWithCurl(benchmark::State& state, const std::string& output, bool tls)
{
    const std::string url = Url(tls);
    std::vector<std::string> args = {gCurl, "--silent", "--show-error", "--fail", "--http1.0", "--noproxy", "*",
                                     "--output", output, url};
    if (tls)
        args.insert(args.end() - 1, {"--cacert", gCaFile});
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("cannot start curl");
            break;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        state.PauseTiming();
        if (output != "/dev/null")
            ::unlink(output.c_str());
        state.ResumeTiming();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("curl failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * gBodySize);
}

// A file in memory for curl's copy of the body.
std::string MemoryFilePath()
{
    const std::string name = "/mjpg-bench-fetch-" + std::to_string(::getpid()) + ".mjpg";
    if (::access("/dev/shm", W_OK) == 0)
        return "/dev/shm" + name;
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + name;
}

// A fetch and the copy into a fragment record in a fresh child: the peak
// resident memory it adds over the body size; 0 when it failed.
double RssRatioInChild()
{
    double ratio = 0;
    const bool ran = RunInChild(ratio, [&] {
        // The peak starts from here, not from what the parent reached.
        std::ofstream("/proc/self/clear_refs") << "5";
        const int64_t before = ResidentBytes();
        auto worker = Fetch();
        if (worker->ResultCode == 200 && worker->GetBody()->Size() == gBodySize) {
            // As the manager hands the body over: moved into the record.
            TFragment fragment;
            fragment.Data->TakeFrom(*worker->GetBody());
            worker.reset();
            if (fragment.Data->Size() == gBodySize)
                ratio = static_cast<double>(PeakResidentBytes() - before) / static_cast<double>(gBodySize);
        }
    });
    return ran ? ratio : 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = TakeOption(argc, argv, "folder");
    const int repetitions = std::atoi(TakeOption(argc, argv, "repetitions", "15").c_str());
    gCurl = TakeOption(argc, argv, "curl", "curl");
    if (folder.empty() || repetitions < 1) {
        std::fprintf(stderr,
                     "usage: bench_fetch --folder DIR (holding 1-1.mjpg) [--repetitions N] [--curl PROGRAM]"
                     " [benchmark flags]\n");
        return 2;
    }
    std::error_code error;
    gBodySize = static_cast<int64_t>(std::filesystem::file_size(std::filesystem::path(folder) / "1-1.mjpg", error));
    if (error || gBodySize <= 0) {
        std::fprintf(stderr, "bench_fetch: no fragment 1-1.mjpg in %s\n", folder.c_str());
        return 2;
    }
    InitCurlLibrary();
    TDemoServerProcess server(folder);
    gPort = server.Port();
    const fixture::TScratchFolder certificates;
    const TTestAuthority authority(certificates.Path(), "authority", "Benchmark Authority");
    TDemoServerProcess tlsServer(folder, TTestAuthority::ServerOptions(authority.Issue("server", {"127.0.0.1"})));
    gTlsPort = tlsServer.Port();
    gCaFile = authority.CertFile().string();

    // The memory figure first, while this process has started no thread.
    std::vector<double> ratios;
    for (int i = 0; i < 5; ++i) {
        const double ratio = RssRatioInChild();
        if (ratio <= 0) {
            std::fprintf(stderr, "bench_fetch: the fetch in a child process failed\n");
            return 1;
        }
        ratios.push_back(ratio);
        std::printf("fetch %d: body %.1f MB, peak resident +%.1f MB, ratio %.3f\n", i + 1, gBodySize / 1e6,
                    ratio * gBodySize / 1e6, ratio);
    }
    std::sort(ratios.begin(), ratios.end());

    // A warm-up: the server's page cache holds the file for both sides.
    for (const bool tls : {false, true}) {
        const auto worker = Fetch(tls);
        if (worker->ResultCode != 200) {
            std::fprintf(stderr, "bench_fetch: the fetch%s failed: %d %s\n", tls ? " over TLS" : "", worker->ResultCode,
                         worker->FailureText.c_str());
            return 1;
        }
    }
    benchmark::RegisterBenchmark("fetch_worker", FetchWithWorker, false)
        ->Repetitions(repetitions)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    const std::string memoryFile = MemoryFilePath();
    benchmark::RegisterBenchmark("fetch_curl", FetchWithCurl, memoryFile, false)
        ->Repetitions(repetitions)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("fetch_curl_discarding", FetchWithCurl, std::string("/dev/null"), false)
        ->Repetitions(repetitions)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("fetch_tls_worker", FetchWithWorker, true)
        ->Repetitions(repetitions)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("fetch_tls_curl_discarding", FetchWithCurl, std::string("/dev/null"), true)
        ->Repetitions(repetitions)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    const auto medians = RunInterleaved(argc, argv);
    const auto worker = medians.find("fetch_worker"), curl = medians.find("fetch_curl"),
               discarding = medians.find("fetch_curl_discarding"), tlsWorker = medians.find("fetch_tls_worker"),
               tlsCurl = medians.find("fetch_tls_curl_discarding");
    if (worker == medians.end() || curl == medians.end() || discarding == medians.end() || curl->second.Real <= 0 ||
        discarding->second.Real <= 0 || tlsWorker == medians.end() || tlsCurl == medians.end() ||
        tlsCurl->second.Real <= 0) {
        std::fprintf(stderr, "bench_fetch: no median for one side\n");
        return 1;
    }
    char text[384];
    std::snprintf(text, sizeof text,
                  "fetch_vs_curl: worker %.1f ms, curl into /dev/null %.1f ms (wall, medians), body %.1f MB",
                  worker->second.Real / 1e6, discarding->second.Real / 1e6, gBodySize / 1e6);
    PrintDetail(text);
    std::snprintf(text, sizeof text, "fetch_vs_curl_keeping: worker %.1f ms, curl into %s %.1f ms = %.3f",
                  worker->second.Real / 1e6, memoryFile.c_str(), curl->second.Real / 1e6,
                  worker->second.Real / curl->second.Real);
    PrintDetail(text);
    std::snprintf(text, sizeof text,
                  "fetch_tls_vs_curl: worker %.1f ms, curl --cacert into /dev/null %.1f ms (wall, medians, https)",
                  tlsWorker->second.Real / 1e6, tlsCurl->second.Real / 1e6);
    PrintDetail(text);
    PrintRatio("fetch_vs_curl", worker->second.Real / discarding->second.Real);
    PrintRatio("fetch_tls_vs_curl", tlsWorker->second.Real / tlsCurl->second.Real);
    PrintRatio("fetch_rss_vs_body", ratios[ratios.size() / 2]);
    return 0;
}
