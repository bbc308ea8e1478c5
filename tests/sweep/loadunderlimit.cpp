// A small loader for the memory-limit test: opens each file given in the
// player window (offscreen, dialogs scripted), one after the other, and
// prints what happened to each, then the peak of its address space.
//   loadunderlimit FILE...
// Output, per file: "file: PATH", one "message: TEXT" line per message box
// (line feeds as \n), then "loaded FRAMES" or "not loaded"; at the end
// "vmpeak KB".
#include "fakedialogs.h"
#include "children.h"
#include "player/vplayerform.h"

#include <QAction>
#include <QApplication>
#include <QFile>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

long VmPeakKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmPeak:", 0) == 0)
            return std::stol(line.substr(7));
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TFakeDialogs dialogs;
    TVPlayerForm form;
    for (int i = 1; i < argc; ++i) {
        const QString path = QFile::decodeName(argv[i]);
        std::printf("file: %s\n", argv[i]);
        dialogs.Messages.clear();
        dialogs.FileAnswers.push_back(path);
        Child(form, "actOpenFile")->trigger();
        for (const TRecordedMessage& message : dialogs.Messages) {
            QString text = message.Text;
            text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
            std::printf("message: %s\n", text.toUtf8().constData());
        }
        if (form.Image)
            std::printf("loaded %d\n", static_cast<int>(form.Image->FrameCount()));
        else
            std::printf("not loaded\n");
        std::fflush(stdout);
    }
    std::printf("vmpeak %ld\n", VmPeakKb());
    return 0;
}
