// An X session of the benchmarks' own: Xvfb on a free display (it names the
// display itself when it is ready) with openbox managing its windows, so a
// window is mapped, decorated and painted as on a desktop. Both end with
// the object.
#pragma once

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

// Whether Xvfb and openbox can be run.
bool HaveXSession();
// Whether a program of that name is on PATH.
bool OnPath(const std::string& program);

class TXSession {
public:
    // Starts the session; Display() is empty when it could not be started
    // (the reason on stderr).
    TXSession(int width = 1600, int height = 1200);
    ~TXSession();
    TXSession(const TXSession&) = delete;
    TXSession& operator=(const TXSession&) = delete;

    const std::string& Display() const { return FDisplay; }

private:
    pid_t FServer = -1;
    pid_t FManager = -1;
    std::string FDisplay;
    std::string FFolder;
};

// A program started in the session with a pipe on its stderr.
struct TStarted {
    pid_t Pid = -1;
    int Err = -1; // the read end of its stderr
};
TStarted StartIn(const TXSession& session, const std::vector<std::string>& argv,
                 const std::vector<std::string>& environment = {});
// Reads the program's stderr until a line starting with `prefix` comes
// (true, the line in `line`) or the program ends or `seconds` pass (false).
bool WaitForLine(const TStarted& started, const std::string& prefix, std::string& line, double seconds);
// Ends the program (SIGTERM, then SIGKILL after a second) and reaps it.
void Stop(TStarted& started);

// "--x-session on" taken from argv: starts a session in `session` and makes
// it this process's display (DISPLAY, QT_QPA_PLATFORM=xcb) before Qt starts.
// False when it was asked for and could not be started.
bool TakeXSessionOption(int& argc, char** argv, std::unique_ptr<TXSession>& session);
