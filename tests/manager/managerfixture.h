// The manager window under test against the archive server on loopback:
// a folder of fragments, the server started with the options a test asks
// for, and a log of the manager's events.
#pragma once

#include "archive/qtcompletion/guicompletion.h"
#include "archivefixtures.h"
#include "demoserverprocess.h"
#include "manager/fragment.h"
#include "manager/gui/listcells.h"
#include "manager/gui/vmanagerform.h"
#include "manager/listcolumns.h"
#include "managerview.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class ManagerTest : public testing::Test {
protected:
    TGuiCompletion Completion; // outlives every worker the manager starts
    fixture::TScratchFolder Folder;
    std::unique_ptr<TDemoServerProcess> Server;
    TVManagerForm Manager;
    // "open SN-ISSUE", "request SN-ISSUE", "loaded SN-ISSUE", "error CODE MESSAGE";
    // an event raised while the list has rows adds " (rows N)".
    std::vector<std::string> Events;

    void SetUp() override;

    // Starts the server on Folder and points the manager at it.
    void Serve(const std::vector<std::string>& options = {},
               const std::map<std::string, std::string>& environment = {});
    // Writes "SN-ISSUE.mjpg" into Folder; returns its bytes.
    std::string AddFragment(int32_t serialNumber, int32_t issue, const TSmallFragment& fragment = {});
    // Asks for the list and waits until the manager is idle again.
    void ListAndWait();
    // Processes events until the condition holds (false after a few seconds).
    static bool WaitUntil(const std::function<bool()>& condition);

    int Rows() const;
    // The list's cells by the standard column keys, as the manager keys them.
    TListCells Cells() const;
    // A cell of row `row` by its column key.
    QString Cell(const std::string& key, int row) const;
    // The column of issues ("Фрагмент"), top to bottom.
    QStringList Issues() const;
    // The value column of the properties pane, top to bottom.
    QStringList PropertyValues() const;
    // The fragment row `row` carries.
    TFragment* RowFragment(int row) const;

private:
    TListColumnsInfo FColumns = [] {
        TListColumnsInfo columns;
        AddStandardListColumns(columns);
        return columns;
    }();
};

std::string Name(const TFragment* fragment);
