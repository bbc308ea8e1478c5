// The desktop's default handlers through QDesktopServices.
#include "shellexecute.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
TShellExecuteHook& Hook()
{
    static TShellExecuteHook hook;
    return hook;
}
} // namespace

bool ShellExecute(const QString& text)
{
    if (Hook())
        return Hook()(text);
    return QDesktopServices::openUrl(QUrl(text, QUrl::TolerantMode));
}

void SetShellExecuteHook(TShellExecuteHook hook)
{
    Hook() = std::move(hook);
}
