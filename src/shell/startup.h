// What the program sets up before its first window: names, its title and
// Qt's Russian texts.
#pragma once

#include <QString>

#include <thread>

extern const char ProgramName[];
extern const char ProgramTitle[]; // "Проигрыватель видеофайлов MJPG"

// Names the application, sets its title and loads Qt's Russian translation.
// Returns an empty text, or what went wrong with the translation (the
// program goes on with Qt's English texts).
QString SetUpApplication();

// The system's font configuration (fontconfig's set-up: its files and the
// caches of every font folder), loaded on a thread of its own while the
// application connects to the display, instead of when the first window
// measures its first text. Made before the application object; Wait (or
// the destructor) before the first window.
class TFontConfigurationLoad {
public:
    TFontConfigurationLoad();
    ~TFontConfigurationLoad() { Wait(); }
    TFontConfigurationLoad(const TFontConfigurationLoad&) = delete;
    TFontConfigurationLoad& operator=(const TFontConfigurationLoad&) = delete;
    void Wait();

private:
    std::thread FThread;
};
