// The failure sink: where the layers without a window (the archive client,
// the fragment manager, the playback engine) report why something failed
// when the failure itself ends in a result code, a silent stop or a fixed
// message. A program points the sink at its own log once, at start: the
// player at its failure log, the command-line tools at standard error.
// Without a sink the reasons are dropped. Safe to call from any thread.
#pragma once

#include <functional>
#include <string>

// (what failed, the reason), both UTF-8.
using TFailureSink = std::function<void(const std::string& what, const std::string& reason)>;

// Replaces the sink; an empty one drops reports.
void SetFailureSink(TFailureSink sink);

// Reports a failure with its reason.
void NoteFailure(const std::string& what, const std::string& reason);

// Reports the exception being handled; call it inside a catch block.
void NoteCurrentFailure(const std::string& what);

// The text of the exception being handled ("unknown error" for one that is
// not a std::exception); call it inside a catch block.
std::string CurrentFailureText();

// Writes every report to standard error as "<program>: <what>: <reason>".
TFailureSink StderrFailureSink(const std::string& program);
