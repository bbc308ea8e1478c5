#include "managerfixture.h"

#include <QTest>
#include <QTreeWidget>

std::string Name(const TFragment* fragment)
{
    if (!fragment)
        return "none";
    return std::to_string(fragment->SerialNumber) + "-" + std::to_string(fragment->Issue);
}

void ManagerTest::SetUp()
{
    const auto note = [this](std::string event) {
        if (const int rows = Rows())
            event += " (rows " + std::to_string(rows) + ")";
        Events.push_back(event);
    };
    Manager.Events().OnFragmentOpen = [note](TVManagerForm*, TFragment* f) { note("open " + Name(f)); };
    Manager.Events().OnVideoRequest = [note](TVManagerForm*, TFragment* f) { note("request " + Name(f)); };
    Manager.Events().OnVideoLoaded = [note](TVManagerForm*, TFragment* f) { note("loaded " + Name(f)); };
    Manager.Events().OnRequestError = [note](TVManagerForm*, int code, const std::string& message) {
        note("error " + std::to_string(code) + " " + message);
    };
}

void ManagerTest::Serve(const std::vector<std::string>& options, const std::map<std::string, std::string>& environment)
{
    Server.reset();
    Server = std::make_unique<TDemoServerProcess>(Folder.Path(), options, environment);
    Manager.Settings().Host = "127.0.0.1";
    Manager.Settings().Port = Server->Port();
}

std::string ManagerTest::AddFragment(int32_t serialNumber, int32_t issue, const TSmallFragment& fragment)
{
    const std::string name = std::to_string(serialNumber) + "-" + std::to_string(issue) + ".mjpg";
    return WriteSmallFragment(Folder.Path() / name, fragment);
}

bool ManagerTest::WaitUntil(const std::function<bool()>& condition)
{
    return QTest::qWaitFor(condition, 10000);
}

void ManagerTest::ListAndWait()
{
    Manager.RequestList();
    ASSERT_TRUE(WaitUntil([this] { return Manager.State() == rsIdle; }));
}

int ManagerTest::Rows() const
{
    return FragmentList(Manager)->topLevelItemCount();
}

TListCells ManagerTest::Cells() const
{
    return TListCells(FColumns, *FragmentList(Manager));
}

QString ManagerTest::Cell(const std::string& key, int row) const
{
    return Cells().Text(key, FragmentList(Manager)->topLevelItem(row));
}

QStringList ManagerTest::Issues() const
{
    QStringList issues;
    for (int row = 0; row < Rows(); ++row)
        issues << Cell("ISSUE", row);
    return issues;
}

QStringList ManagerTest::PropertyValues() const
{
    QStringList values;
    for (int row = 0; row < PropertyList(Manager)->topLevelItemCount(); ++row)
        values << PropertyList(Manager)->topLevelItem(row)->text(1);
    return values;
}

TFragment* ManagerTest::RowFragment(int row) const
{
    return ::RowFragment(FragmentList(Manager)->topLevelItem(row));
}
