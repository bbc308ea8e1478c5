// What the program sets up before its first window: names, its title and
// Qt's Russian texts.
#pragma once

#include <QString>

#include <functional>
#include <thread>

extern const char ProgramName[];
extern const char ProgramTitle[]; // "Проигрыватель видеофайлов MJPG"

// Names the application, sets its title and loads Qt's Russian translation.
// Returns an empty text, or what went wrong with the translation (the
// program goes on with Qt's English texts).
QString SetUpApplication();

// Work of the start that can run beside the GUI thread, on a thread of its
// own; with no thread to be had it is left to whoever needs it first.
// Wait (or the destructor) before what it works on goes.
class TStartUpThread {
public:
    explicit TStartUpThread(std::function<void()> work);
    ~TStartUpThread() { Wait(); }
    TStartUpThread(const TStartUpThread&) = delete;
    TStartUpThread& operator=(const TStartUpThread&) = delete;
    void Wait();

private:
    std::thread FThread;
};

// The system's font configuration (fontconfig's set-up: its files and the
// caches of every font folder), loaded while the application connects to
// the display, instead of when the first window measures its first text.
// Made before the application object; Wait before the first window.
class TFontConfigurationLoad : public TStartUpThread {
public:
    TFontConfigurationLoad();
};

// What the first window's widgets would otherwise do first on the GUI
// thread, done while the GUI thread builds the windows: Qt's font database
// filled from fontconfig with the fallbacks of the application font for
// Cyrillic text (both kept for every thread), and the image-format plugins
// that the first image read loads (the style's picture of the menu bar's
// extension button is one). Made after the application object.
class TWindowSetUpAhead : public TStartUpThread {
public:
    TWindowSetUpAhead();
};
