// A scripted stand-in for the dialog seam: records every message and file
// dialog, answers from queues the test fills, and never blocks.
#pragma once

#include "overridecursor.h"
#include "uikit/dialogs.h"

#include <QString>
#include <deque>
#include <functional>
#include <vector>

struct TRecordedMessage {
    QString Title;
    QString Text;
    TMsgIcon Icon;
    TMsgButtons Buttons;
    Qt::CursorShape Cursor; // the cursor over the program while it was shown
};

class TFakeDialogs : public TDialogs {
public:
    TFakeDialogs() { SetDialogs(this); }
    ~TFakeDialogs() override { SetDialogs(nullptr); }

    // Answers for the next file dialogs: a path, or an empty string to cancel.
    std::deque<QString> FileAnswers;
    // Filter index a save dialog reports with the next answer (0: keep).
    std::deque<int> FilterAnswers;
    // Answers for the next message boxes; when empty, Yes when offered, else OK.
    std::deque<TModalResult> MessageAnswers;
    // Runs as each file dialog is shown, as events do while a real one is
    // up (a fetch that ends, a list that replaces the records).
    std::function<void()> WhileAsking;

    std::vector<TRecordedMessage> Messages;
    std::vector<TFileDialogOptions> FileDialogs;

    bool OpenFileName(QWidget*, TFileDialogOptions& options) override { return Answer(options); }
    bool SaveFileName(QWidget*, TFileDialogOptions& options) override { return Answer(options); }

    TModalResult Message(QWidget*, const QString& title, const QString& text, TMsgIcon icon,
                         TMsgButtons buttons) override
    {
        Messages.push_back({title, text, icon, buttons, OverrideCursorShape()});
        if (!MessageAnswers.empty()) {
            const TModalResult answer = MessageAnswers.front();
            MessageAnswers.pop_front();
            return answer;
        }
        return buttons.testFlag(TMsgButton::Yes) ? mrYes : mrOK;
    }

private:
    bool Answer(TFileDialogOptions& options)
    {
        FileDialogs.push_back(options);
        if (WhileAsking)
            WhileAsking();
        if (FileAnswers.empty())
            return false;
        const QString path = FileAnswers.front();
        FileAnswers.pop_front();
        if (!FilterAnswers.empty()) {
            if (FilterAnswers.front() > 0)
                options.FilterIndex = FilterAnswers.front();
            FilterAnswers.pop_front();
        }
        if (path.isEmpty())
            return false;
        options.FileName = path;
        return true;
    }
};
