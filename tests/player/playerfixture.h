// The window under test with scripted dialogs, and helpers to load the test
// fragments and to read what the window shows.
#pragma once

#include "fakedialogs.h"
#include "children.h"
#include "fragmentfiles.h"
#include "passobserver.h"
#include "player/actionbutton.h"
#include "player/pausebox.h"
#include "player/pictureview.h"
#include "player/vplayerform.h"

#include <QAction>
#include <QApplication>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

inline bool LoadInto(TVPlayerForm& form, const TFragmentPlan& plan)
{
    auto stream = BuildFragment(plan);
    return form.LoadStream(stream.get());
}

// Frame index of the picture on screen, -1 when there is none.
inline int ShownFrameOf(const TVPlayerForm& form)
{
    return FrameOfPicture(Child<TPictureView>(form, "imgVideo")->Picture());
}

// The actions of the design's list, in its order: the first commands.
inline std::vector<QAction*> DesignActions(const TVPlayerForm& form)
{
    std::vector<QAction*> actions;
    for (size_t i = 0; i < DesignCommandCount; ++i)
        actions.push_back(form.CommandAction(static_cast<TPlayerCommand>(i)));
    return actions;
}

// Names of the enabled actions of the design's list.
inline std::set<std::string> EnabledActions(const TVPlayerForm& form)
{
    std::set<std::string> names;
    for (QAction* action : DesignActions(form))
        if (action->isEnabled())
            names.insert(action->objectName().toStdString());
    return names;
}

class PlayerTest : public testing::Test {
protected:
    TFakeDialogs Dialogs;
    TVPlayerForm Form;

    bool Load(const TFragmentPlan& plan) { return LoadInto(Form, plan); }
    int ShownFrame() const { return ShownFrameOf(Form); }
    std::set<std::string> Enabled() const { return EnabledActions(Form); }

    // Short-cuts reach the window only while it is shown and active.
    bool ShowActive()
    {
        Form.show();
        QApplication::setActiveWindow(&Form);
        return QTest::qWaitForWindowActive(&Form);
    }
    void Press(Qt::Key key) { QTest::keyClick(&Form, key); }
};

// Fragments with every frame carrying a picture.
inline TFragmentPlan Frames(int count, int32_t fps = 2000)
{
    TFragmentPlan plan;
    plan.FPS = fps;
    plan.Frames.assign(static_cast<size_t>(count), true);
    return plan;
}

inline TFragmentPlan Frames(std::vector<bool> withData, int32_t fps = 2000)
{
    TFragmentPlan plan;
    plan.FPS = fps;
    plan.Frames = std::move(withData);
    return plan;
}
