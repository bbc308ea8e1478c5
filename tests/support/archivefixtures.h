// Fixtures of the archive tests: fragment files for the archive server to
// serve from a scratch folder, and running a request worker to its end.
#pragma once

#include "archive/fragmentsaction.h"
#include "demoserverprocess.h"
#include "fixtures/files.h"

#include <filesystem>
#include <memory>
#include <string>

struct TSmallFragment {
    int Frames = 3;
    std::string Camera = "\xc2\xf5\xee\xe4"; // "Вход" in code page 1251
    TDateTime Event = EncodeDateTime(2007, 11, 15, 9, 48, 12);
    bool PreAlarm = true;
};

// Writes a small valid fragment (32 x 24, 5 fps) and returns its bytes.
std::string WriteSmallFragment(const std::filesystem::path& path, const TSmallFragment& fragment = {});

// What a worker reported in its OnFinished.
struct TWorkerOutcome {
    int ResultCode = 0;
    std::string ResponseText;
    bool HasBody = false;
    std::string Body; // from the body's position
    bool Done = false;
    std::string FailureText;
    int FinishedCalls = 0;
    bool FinishedOnMainThread = false;
};

// Starts the worker (self-freeing, OnFinished recording), waits for it on
// this (the main) thread and returns what OnFinished saw.
TWorkerOutcome RunWorker(std::unique_ptr<TFragmentsAction> worker);
// The same for a worker that is stopped `stopAfterMs` after it started.
// Starts the worker, stops it once the server has logged its request, and
// waits for it.
TWorkerOutcome RunWorkerStoppedOnceAsked(std::unique_ptr<TFragmentsAction> worker, const TDemoServerProcess& server);

std::unique_ptr<TFragmentsGetList> ListWorker(int port, TDateTime begin = 0, TDateTime end = 0);
std::unique_ptr<TFragmentsGetVideo> VideoWorker(int port, int32_t serialNumber, int32_t issue);
