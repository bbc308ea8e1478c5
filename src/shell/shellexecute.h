// Handing a text to the desktop to open with its default handler (a web
// address in the browser, a mailto text in the mail program). Tests install
// a hook that records the text instead of opening anything.
#pragma once

#include <QString>
#include <functional>

// Opens the text with the desktop's default handler; false when nothing
// could open it. The text is handed on as it stands (not escaped by us).
bool ShellExecute(const QString& text);

using TShellExecuteHook = std::function<bool(const QString&)>;
// Replaces the desktop for tests; an empty hook restores it.
void SetShellExecuteHook(TShellExecuteHook hook);
