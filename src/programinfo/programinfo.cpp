#include "programinfo.h"

#include "programinfo/programversion.h"

#include <cstdio>
#include <cstring>

const char* ProgramVersion()
{
    return MJPG_PROGRAM_VERSION;
}

std::string VersionText(const char* program)
{
    return std::string(program) + " " + ProgramVersion() + "\nПроигрыватель видеофайлов MJPG\n";
}

int AnswerHelpOrVersion(int argc, char** argv, const char* program, const char* helpText, int writeFailedStatus)
{
    std::string text;
    for (int i = 1; i < argc && text.empty(); ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        if (std::strcmp(argv[i], "--help") == 0)
            text = helpText;
        else if (std::strcmp(argv[i], "--version") == 0)
            text = VersionText(program);
    }
    if (text.empty())
        return -1;
    // A full disk or a closed pipe is a failure, not a success.
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    if (std::fflush(stdout) != 0 || !written) {
        std::fprintf(stderr, "%s: ошибка записи в стандартный вывод\n", program);
        return writeFailedStatus;
    }
    return 0;
}
