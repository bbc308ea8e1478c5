// The manager window against the archive server on loopback: filling the
// list and the properties pane, the fragment limit, opening and fetching
// fragments, sorting, and stopping requests.
#include "managerfixture.h"

#include "archive/fragmentsaction.h"
#include "archive/password.h"
#include "archive/workerthread.h"
#include "core/failures.h"
#include "core/cp1251.h"

#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// Four fragments whose orders differ by every column: listed (by event
// time) as issues 7, 3, 12, 5.
class SortTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        AddFragment(1, 7, {.Camera = "Gate 2", .Event = EncodeDateTime(2007, 11, 15, 23, 0, 30)});
        AddFragment(1, 3, {.Camera = Utf8ToCp1251("Вход"), .Event = EncodeDateTime(2007, 11, 16, 8, 0, 30)});
        AddFragment(1, 12, {.Camera = "Gate 10", .Event = EncodeDateTime(2007, 11, 16, 9, 0, 30)});
        AddFragment(1, 5, {.Camera = "Gate 10", .Event = EncodeDateTime(2007, 11, 16, 10, 0, 30)});
        Serve();
        ListAndWait();
    }

    // A click on a column header as the user makes it.
    void ClickHeader(int column)
    {
        QHeaderView* header = FragmentList(Manager)->header();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    // Every row carries the fragment its cells show.
    void ExpectRowsCarryTheirFragments()
    {
        for (int row = 0; row < Rows(); ++row)
            EXPECT_EQ(Name(RowFragment(row)), "1-" + Cell("ISSUE", row).toStdString()) << "row " << row;
    }
};

} // namespace

TEST_F(ManagerTest, TheWindowHasItsColumnsAndPropertyRows)
{
    EXPECT_EQ(Manager.windowTitle(), QStringLiteral("Менеджер видеофрагментов"));
    QStringList captions;
    for (int column = 0; column < FragmentList(Manager)->columnCount(); ++column)
        captions << FragmentList(Manager)->headerItem()->text(column);
    EXPECT_EQ(captions, QStringList({"Дата/Время", "Камера", "Фрагмент", "Начало записи", "Конец записи"}));
    QStringList names;
    for (int row = 0; row < PropertyList(Manager)->topLevelItemCount(); ++row)
        names << PropertyList(Manager)->topLevelItem(row)->text(0);
    EXPECT_EQ(names, QStringList({"Дата/Время", "Камера", "Фрагмент", "Начало записи", "Конец записи", "Разрешение",
                                  "FPS", "Кол.кадров", "Серийный номер"}));
    EXPECT_TRUE(PropertyList(Manager)->isHeaderHidden());
    EXPECT_EQ(PropertyValues(), QStringList(9, QString()));
}

TEST_F(ManagerTest, AnAnswerOverTheLimitWarnsOnceBeforeAnyRowAndListsTheFirstFifty)
{
    struct TCase {
        const char* Lines;
        std::vector<std::string> Events;
    };
    const TCase cases[] = {
        {"60", {"error -200 Fragments limit exceeding."}},
        {"50", {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Lines);
        Events.clear();
        Serve({"--list-lines", c.Lines});
        ListAndWait();
        EXPECT_EQ(Events, c.Events); // an event raised with rows present would say so
        EXPECT_EQ(Rows(), 50);
        EXPECT_EQ(Manager.FragmentCount(), 50u);
        EXPECT_EQ(Manager.RequestCount(), 50u); // one prepared video worker each
        EXPECT_EQ(Manager.State(), rsIdle);
        ASSERT_NE(SelectedRow(Manager), nullptr);
        EXPECT_EQ(FragmentList(Manager)->indexOfTopLevelItem(SelectedRow(Manager)), 0);
        EXPECT_EQ(PropertyValues().value(8), QStringLiteral("1000")); // the first line's serial number
        EXPECT_EQ(Name(Manager.FragmentAt(49)), "1049-50");
    }
}

TEST_F(ManagerTest, AnEmptyAnswerEmptiesTheListAndThePropertyValues)
{
    AddFragment(12, 3);
    Serve();
    ListAndWait();
    ASSERT_EQ(Rows(), 1);
    ASSERT_NE(PropertyValues(), QStringList(9, QString()));

    std::filesystem::remove(Folder.Path() / "12-3.mjpg");
    ListAndWait();
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Manager.FragmentCount(), 0u);
    EXPECT_EQ(Manager.RequestCount(), 0u);
    EXPECT_EQ(PropertyValues(), QStringList(9, QString()));
    EXPECT_TRUE(Events.empty());
    EXPECT_EQ(Manager.State(), rsIdle);
}

TEST_F(ManagerTest, RowsShowTimesOfDayAndThePaneShowsFullDateTimes)
{
    AddFragment(12, 3, {.Frames = 4, .Camera = Utf8ToCp1251("Вход"), .Event = EncodeDateTime(2007, 11, 15, 14, 5, 39)});
    Serve();
    ListAndWait();
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell("EVENT", 0), QStringLiteral("15.11.2007 14:05:39"));
    EXPECT_EQ(Cell("CAMERA", 0), QStringLiteral("Вход"));
    EXPECT_EQ(Cell("ISSUE", 0), QStringLiteral("3"));
    EXPECT_EQ(Cell("BEGIN", 0), QStringLiteral("14:05:09"));
    EXPECT_EQ(Cell("END", 0), QStringLiteral("14:06:09"));
    EXPECT_EQ(PropertyValues(), QStringList({"15.11.2007 14:05:39", "Вход", "3", "15.11.2007 14:05:09",
                                             "15.11.2007 14:06:09", "32x24", "5", "4", "12"}));

    // Keys without a column: nothing to read, nothing written.
    QTreeWidgetItem* row = FragmentList(Manager)->topLevelItem(0);
    EXPECT_EQ(Cells().Text("SN", row), QString());
    QStringList before;
    for (int column = 0; column < row->columnCount(); ++column)
        before << row->text(column);
    Cells().SetText("TYPE", row, QStringLiteral("changed"));
    Cells().SetText("CAMERA", nullptr, QStringLiteral("changed"));
    for (int column = 0; column < row->columnCount(); ++column)
        EXPECT_EQ(row->text(column), before[column]);
}

TEST_F(ManagerTest, DoubleClickAndEnterOpenTheSelectedFragmentFetchingItOnce)
{
    const std::string video = AddFragment(12, 3);
    Serve();
    ListAndWait();
    Manager.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Manager));
    QTreeWidget* list = FragmentList(Manager);
    const auto doubleClick = [&] {
        const QRect row = list->visualItemRect(list->topLevelItem(0));
        // As a mouse makes it: a click, then the second press as a double click.
        const QPoint at(10, row.center().y());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    };
    const auto enter = [&] { QTest::keyClick(list, Qt::Key_Return); };

    for (const auto& [gesture, open] : {std::pair{"double click", std::function<void()>(doubleClick)},
                                        std::pair{"Enter", std::function<void()>(enter)}}) {
        SCOPED_TRACE(gesture);
        Manager.RequestList(); // afresh: the fragment holds no video yet
        ASSERT_TRUE(WaitUntil([&] { return Manager.State() == rsIdle && Rows() == 1; }));
        Events.clear();
        const size_t requestsBefore = Server->Requests().size();

        open();
        EXPECT_EQ(Events, std::vector<std::string>({"open 12-3 (rows 1)", "request 12-3 (rows 1)"}));
        ASSERT_TRUE(WaitUntil([&] { return Events.size() == 3; }));
        EXPECT_EQ(Events[2], "loaded 12-3 (rows 1)");
        const TFragment* fragment = Manager.FragmentAt(0);
        ASSERT_NE(fragment, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(fragment->Data.Memory()),
                              static_cast<size_t>(fragment->Data.Size())),
                  video);
        EXPECT_EQ(Manager.RequestCount(), 0u);
        EXPECT_EQ(Manager.State(), rsIdle);

        // Fetched: opening it again only says so.
        open();
        EXPECT_EQ(Events.size(), 4u);
        EXPECT_EQ(Events.back(), "open 12-3 (rows 1)");
        EXPECT_FALSE(Manager.RequestsRunning()); // no worker: no request can be on its way
        EXPECT_EQ(Server->Requests().size(), requestsBefore + 1); // one video request
        EXPECT_EQ(Server->Requests().back().Line, "GET /video?sn=12&issue=3 HTTP/1.0");
    }

    // Other keys open nothing.
    Events.clear();
    QTest::keyClick(list, Qt::Key_Space);
    QTest::keyClick(list, Qt::Key_A);
    EXPECT_TRUE(Events.empty());
}

TEST_F(ManagerTest, FetchFragmentWaitingRaisesTheRequestAndHasTheVideoOnReturn)
{
    AddFragment(12, 3);
    AddFragment(7, 2, {.Event = EncodeDateTime(2007, 11, 15, 10, 0, 0)});
    Serve();
    ListAndWait();
    TFragment* fragment = FindFragment(Manager, 12, 3);
    ASSERT_NE(fragment, nullptr);
    Manager.FetchFragment(fragment, true);
    EXPECT_EQ(Events, std::vector<std::string>({"request 12-3 (rows 2)", "loaded 12-3 (rows 2)"}));
    EXPECT_GT(fragment->Data.Size(), 0);
    // The other fragment's prepared worker keeps the state at "fetching".
    EXPECT_EQ(Manager.RequestCount(), 1u);
    EXPECT_EQ(Manager.State(), rsFetching);
    Manager.FetchFragment(nullptr, true);
    EXPECT_EQ(Events.size(), 2u);
}

TEST_F(ManagerTest, AVideoArrivingAfterTheListWasClearedIsPassedOver)
{
    AddFragment(12, 3);
    Serve({"--delay", "300", "--only", "video"});
    ListAndWait();
    FragmentList(Manager)->setCurrentItem(FragmentList(Manager)->topLevelItem(0));
    OpenSelected(Manager);
    ASSERT_NE(Manager.FindVideoRequest(12, 3), nullptr);
    Manager.Clear();
    // It leaves the set in its completion, which has then run.
    ASSERT_TRUE(WaitUntil([&] { return Manager.FindVideoRequest(12, 3) == nullptr; }));
    EXPECT_EQ(Events, std::vector<std::string>({"open 12-3 (rows 1)", "request 12-3 (rows 1)"}));
    EXPECT_EQ(Manager.RequestCount(), 0u);
    EXPECT_EQ(Manager.State(), rsIdle);
}

TEST_F(ManagerTest, AFailedFetchIsReportedAndLeavesTheFragmentEmpty)
{
    AddFragment(12, 3);
    Serve({"--status", "404", "--only", "video"});
    ListAndWait();
    FragmentList(Manager)->setCurrentItem(FragmentList(Manager)->topLevelItem(0));
    OpenSelected(Manager);
    ASSERT_TRUE(WaitUntil([&] { return Events.size() == 3; }));
    EXPECT_TRUE(StartsWith(Events[2], "error 404 HTTP/1.")) << Events[2];
    EXPECT_EQ(Manager.FragmentAt(0)->Data.Size(), 0);
}

TEST_F(ManagerTest, AutoLoadVideoFetchesEveryListedFragment)
{
    for (int issue = 1; issue <= 3; ++issue)
        AddFragment(4, issue, {.Event = EncodeDateTime(2007, 11, 15, 9, issue, 0)});
    Serve();
    Manager.Settings().AutoLoadVideo = true;
    Manager.RequestList();
    ASSERT_TRUE(WaitUntil([&] { return Manager.State() == rsFetching; }));
    ASSERT_TRUE(WaitUntil([&] { return Manager.State() == rsIdle; }));
    EXPECT_EQ(std::count_if(Events.begin(), Events.end(), [](const std::string& e) { return StartsWith(e, "request"); }), 3);
    EXPECT_EQ(std::count_if(Events.begin(), Events.end(), [](const std::string& e) { return StartsWith(e, "loaded"); }), 3);
    for (size_t i = 0; i < Manager.FragmentCount(); ++i)
        EXPECT_GT(Manager.FragmentAt(static_cast<int64_t>(i))->Data.Size(), 0) << i;
    EXPECT_EQ(Manager.RequestCount(), 0u);
}

TEST_F(ManagerTest, StopRequestFreesAPreparedWorkerWithoutRunningIt)
{
    AddFragment(12, 3);
    AddFragment(7, 2, {.Event = EncodeDateTime(2007, 11, 15, 10, 0, 0)});
    Serve();
    ListAndWait();
    ASSERT_EQ(Manager.RequestCount(), 2u);
    Manager.StopRequest(nullptr);
    EXPECT_EQ(Manager.RequestCount(), 2u);

    Manager.StopRequest(Manager.FindVideoRequest(12, 3));
    EXPECT_EQ(Manager.RequestCount(), 1u);
    EXPECT_EQ(Manager.FindVideoRequest(12, 3), nullptr);
    EXPECT_NE(Manager.FindVideoRequest(7, 2), nullptr);
    EXPECT_FALSE(Manager.RequestsRunning()); // freed unstarted: it never sends anything
    EXPECT_TRUE(Events.empty());
    EXPECT_EQ(Server->Requests().size(), 1u); // the list alone

    Manager.StopRequest(Manager.FindVideoRequest(7, 2));
    EXPECT_EQ(Manager.RequestCount(), 0u);
    EXPECT_EQ(Manager.State(), rsIdle);
}

TEST_F(ManagerTest, ClearAndStopWhileAListRequestRunsStopsItAndRunsItsCompletion)
{
    AddFragment(12, 3);
    Serve({"--delay", "5000", "--only", "list"});
    Manager.RequestList();
    EXPECT_EQ(Manager.State(), rsListing);
    ASSERT_TRUE(WaitUntil([&] { return Server->Requests().size() == 1; })); // the request is on its way
    Manager.ClearAndStop();
    ASSERT_EQ(Events.size(), 1u);
    EXPECT_TRUE(StartsWith(Events[0], "error -101")) << Events[0];
    EXPECT_EQ(Manager.RequestCount(), 0u);
    EXPECT_EQ(Manager.State(), rsIdle);
    EXPECT_EQ(Rows(), 0);
}

TEST_F(ManagerTest, ThePasswordReachesTheServerPlainOrScrambled)
{
    AddFragment(12, 3);
    const std::string password = Utf8ToCp1251("пароль");
    Serve({"--user", "operator"}, {{"MJPG_ARCHIVE_PASSWORD", "пароль"}});
    Manager.Settings().UserName = "operator";
    struct TCase {
        std::string Password;
        std::vector<std::string> Events;
        int Rows;
    };
    const TCase cases[] = {
        {password, {}, 1},
        {ScramblePassword(password), {}, 1},
        {Utf8ToCp1251("другой"), {"error 401 HTTP/1.1 401 Unauthorized"}, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Password);
        Events.clear();
        Manager.Settings().Password = c.Password;
        ListAndWait();
        EXPECT_EQ(Rows(), c.Rows);
        ASSERT_EQ(Events.size(), c.Events.size());
        for (size_t i = 0; i < Events.size(); ++i)
            EXPECT_TRUE(StartsWith(Events[i], "error 401")) << Events[i];
    }
}

TEST_F(SortTest, TextColumnsSortByTheBytesTheServerSent)
{
    // 0x98 has no character in code page 1251; it shows as U+FFFD, yet
    // sorts by its byte between 0x97 and 0x99, after "?" (0x3F).
    const std::pair<int, std::string> cameras[] = {{21, "K\x99"}, {22, "K\x98"}, {23, "K\x97"}, {24, "K?"}};
    for (const auto& [issue, camera] : cameras)
        AddFragment(1, issue, {.Camera = camera, .Event = EncodeDateTime(2007, 11, 17, 8, issue, 0)});
    ListAndWait();
    Manager.resize(700, 400);
    Manager.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Manager));
    ASSERT_EQ(Issues(), QStringList({"7", "3", "12", "5", "21", "22", "23", "24"}));
    EXPECT_EQ(Cell("CAMERA", 5), QStringLiteral("K\uFFFD"));
    EXPECT_EQ(Cells().Bytes("CAMERA", FragmentList(Manager)->topLevelItem(5)), "K\x98");

    ClickHeader(1);
    EXPECT_EQ(Issues(), QStringList({"12", "5", "7", "24", "23", "22", "21", "3"}));
    ExpectRowsCarryTheirFragments();
    EXPECT_EQ(Cells().Bytes("CAMERA", FragmentList(Manager)->topLevelItem(5)), "K\x98");
    ClickHeader(1);
    EXPECT_EQ(Issues(), QStringList({"3", "21", "22", "23", "24", "7", "12", "5"}));
    ExpectRowsCarryTheirFragments();
    for (int row = 0; row < Rows(); ++row)
        EXPECT_EQ(Cells().Bytes("CAMERA", FragmentList(Manager)->topLevelItem(row)),
                  RowFragment(row)->Camera) << "row " << row;
}

TEST_F(ManagerTest, AClickOnAnEmptyListChangesOnlyTheSortState)
{
    // What a header click raises; the header keeps the sort asked for.
    QHeaderView* header = FragmentList(Manager)->header();
    emit header->sectionClicked(2);
    EXPECT_EQ(header->sortIndicatorSection(), 2);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    emit header->sectionClicked(2);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    emit header->sectionClicked(1);
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_FALSE(header->isSortIndicatorShown());
    EXPECT_EQ(PropertyValues(), QStringList(9, QString()));
}

TEST_F(SortTest, ColumnClicksSortByTypedKeysReversingOnASecondClick)
{
    Manager.resize(700, 400); // every header in view
    Manager.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Manager));
    ASSERT_EQ(Issues(), QStringList({"7", "3", "12", "5"}));
    FragmentList(Manager)->setCurrentItem(FragmentList(Manager)->topLevelItem(1));

    struct TStep {
        int Column;
        QStringList Issues;
    };
    const TStep steps[] = {
        {2, {"3", "5", "7", "12"}},  // "Фрагмент" as numbers
        {2, {"12", "7", "5", "3"}},  // again: descending
        {1, {"12", "5", "7", "3"}},  // "Камера" by bytes: "Gate 10" twice (in their order), "Gate 2", "Вход"
        {3, {"3", "12", "5", "7"}},  // "Начало записи" by time of day: 08:00, 09:00, 10:00, then 23:00
        {0, {"7", "3", "12", "5"}},  // "Дата/Время" by date and time
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.Column);
        ClickHeader(step.Column);
        EXPECT_EQ(Issues(), step.Issues);
        ExpectRowsCarryTheirFragments();
        // The selection keeps its position; the pane shows what moved there.
        EXPECT_EQ(FragmentList(Manager)->indexOfTopLevelItem(SelectedRow(Manager)), 1);
        EXPECT_EQ(PropertyValues().value(2), step.Issues[1]);
        // The answer's order is not the list's.
        EXPECT_EQ(Name(Manager.FragmentAt(0)), "1-7");
    }
    EXPECT_EQ(Manager.FragmentAt(-1), nullptr);
    EXPECT_EQ(Manager.FragmentAt(4), nullptr);

    // The sort state outlives a refill: the next click on the last column
    // sorts it the other way.
    ListAndWait();
    ClickHeader(0);
    EXPECT_EQ(Issues(), QStringList({"5", "12", "3", "7"}));
}

TEST_F(ManagerTest, AnOpenHandlerWaitingForANewListLeavesTheFreedFragmentAlone)
{
    // The owner's open handler runs the event loop (as a playback does)
    // while a new list arrives and frees the fragment being opened: nothing
    // is read of it afterwards, nothing is fetched for it.
    AddFragment(12, 3);
    Serve();
    ListAndWait();
    FragmentList(Manager)->setCurrentItem(FragmentList(Manager)->topLevelItem(0));
    Manager.Events().OnFragmentOpen = [this](TVManagerForm*, TFragment*) {
        Events.push_back("open");
        Manager.RequestList();
        EXPECT_TRUE(WaitUntil([this] { return Manager.State() == rsIdle; }));
    };
    OpenSelected(Manager);
    EXPECT_EQ(Events, std::vector<std::string>({"open"}));
    EXPECT_FALSE(Manager.RequestsRunning());
    EXPECT_EQ(Manager.RequestCount(), 1u); // the new list's prepared worker, not started
    const std::vector<TLoggedRequest> requests = Server->Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests.back().Line, "GET /list HTTP/1.0");
}

TEST_F(ManagerTest, AFetchedBodyMovesIntoTheFragmentAndOnlyIntoAnEmptyData)
{
    const std::string video = AddFragment(12, 3);
    Serve();
    ListAndWait();
    TFragment* fragment = FindFragment(Manager, 12, 3);
    ASSERT_NE(fragment, nullptr);
    TFragmentsGetVideo* worker = Manager.FindVideoRequest(12, 3);
    ASSERT_NE(worker, nullptr);
    int64_t bodyLeft = -1;
    worker->OnFinished = [&, inner = worker->OnFinished](TWorkerThread* sender) {
        inner(sender);
        bodyLeft = static_cast<TFragmentsAction*>(sender)->GetBody()->Size();
    };
    Manager.FetchFragment(fragment, true);
    EXPECT_EQ(bodyLeft, 0); // moved, not copied
    const auto data = [&] {
        return std::string(reinterpret_cast<const char*>(fragment->Data.Memory()),
                           static_cast<size_t>(fragment->Data.Size()));
    };
    EXPECT_EQ(data(), video);
    // Fetched again: the fragment keeps its one video, nothing appended.
    Manager.FetchFragment(fragment, true);
    EXPECT_EQ(data(), video);
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "loaded 12-3 (rows 1)"), 2);
}

TEST_F(ManagerTest, TwoLinesOfOneFragmentEachGetTheBodyTheirOwnRequestFetched)
{
    const std::string video = AddFragment(12, 3);
    // A second line with the same serial number and fragment number: the
    // server reads "12-03" as 12 and 3 too.
    std::filesystem::copy_file(Folder.Path() / "12-3.mjpg", Folder.Path() / "12-03.mjpg");
    Serve();
    ListAndWait();
    ASSERT_EQ(Rows(), 2);
    TFragment* first = RowFragment(0);
    TFragment* second = RowFragment(1);
    ASSERT_NE(first, second);

    FragmentList(Manager)->setCurrentItem(FragmentList(Manager)->topLevelItem(1));
    OpenSelected(Manager);
    ASSERT_TRUE(WaitUntil([&] { return !Manager.RequestsRunning(); }));
    EXPECT_EQ(second->Data.Size(), static_cast<int64_t>(video.size()));
    EXPECT_EQ(first->Data.Size(), 0);

    Manager.FetchFragment(first, true);
    EXPECT_EQ(first->Data.Size(), static_cast<int64_t>(video.size()));
    EXPECT_EQ(second->Data.Size(), static_cast<int64_t>(video.size()));
}

TEST_F(ManagerTest, AWorkerThatCannotStartEndsTheWaitWithAResult)
{
    AddFragment(12, 3);
    AddFragment(7, 2, {.Event = EncodeDateTime(2007, 11, 15, 10, 0, 0)});
    Serve();
    ListAndWait();
    std::vector<std::string> noted;
    SetFailureSink([&](const std::string& what, const std::string& reason) { noted.push_back(what + ": " + reason); });
    SetWorkerStartHook([] { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); });
    FragmentList(Manager)->setCurrentItem(FragmentList(Manager)->topLevelItem(0));
    OpenSelected(Manager);
    TFragment* other = FindFragment(Manager, 7, 2);
    Manager.FetchFragment(other, true); // returns: nothing to wait for
    SetWorkerStartHook(nullptr);
    SetFailureSink(nullptr);
    // The reason reaches the failure sink as well.
    ASSERT_EQ(noted.size(), 2u);
    EXPECT_TRUE(StartsWith(noted[0], "archive request: starting its worker: ")) << noted[0];
    // The status text of -102 is the reason, for the log.
    ASSERT_EQ(Events.size(), 5u);
    EXPECT_EQ(Events[0], "open 12-3 (rows 2)");
    EXPECT_EQ(Events[1], "request 12-3 (rows 2)");
    EXPECT_TRUE(StartsWith(Events[2], "error -102 ")) << Events[2];
    EXPECT_EQ(Events[3], "request 7-2 (rows 2)");
    EXPECT_TRUE(StartsWith(Events[4], "error -102 ")) << Events[4];
    EXPECT_EQ(Manager.RequestCount(), 0u);
    EXPECT_EQ(Manager.State(), rsIdle);
    EXPECT_EQ(Server->Requests().size(), 1u); // the list alone

    // With threads again, the fragment is fetched as usual.
    Manager.FetchFragment(other, true);
    EXPECT_GT(other->Data.Size(), 0);
}

TEST_F(ManagerTest, AHostileAnswerOfLineBreaksBuildsOnlyTheListedRecords)
{
    // Five megabytes of line breaks: counted, and only the first fifty made
    // into fragments.
    const std::filesystem::path answer = Folder.Path() / "answer.txt";
    {
        std::ofstream out(answer, std::ios::binary);
        out << std::string(5 * 1024 * 1024, '\n');
    }
    Serve({"--list-file", answer.string()});
    ListAndWait();
    EXPECT_EQ(Events, std::vector<std::string>({"error -200 Fragments limit exceeding."}));
    EXPECT_EQ(Rows(), 50);
    EXPECT_EQ(Manager.FragmentCount(), 50u);
}

// What a list request's failures leave in the program's log, as the
// standard-error sink writes it, and the result the owner hears of.
TEST_F(ManagerTest, ListFailuresReachTheFailureLogWithTheirReason)
{
    const std::string reason =
        std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)).what();
    SetFailureSink(StderrFailureSink("mjpgplayer"));
    testing::internal::CaptureStderr();
    SetWorkerStartHook([] { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); });
    Manager.RequestList();
    SetWorkerStartHook(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "mjpgplayer: list request: starting its worker: " + reason + "\n");
    ASSERT_EQ(Events.size(), 1u);
    EXPECT_EQ(Events[0], "error -102 " + reason);
    EXPECT_EQ(Manager.RequestCount(), 0u);
    EXPECT_EQ(Manager.State(), rsIdle);

    // An answer cut short: -101, and the reason in the log.
    const std::string answer = "12|3|Camera|2007-11-15 10:00:00|||704x576|25|3|\r\n";
    const std::string listFile = (Folder.Path() / "list.txt").string();
    std::ofstream(listFile, std::ios::binary) << answer;
    Serve({"--list-file", listFile, "--cut-body", "10", "--only", "list"});
    Events.clear();
    testing::internal::CaptureStderr();
    ListAndWait();
    const std::string written = testing::internal::GetCapturedStderr();
    SetFailureSink(nullptr);
    EXPECT_EQ(written, "mjpgplayer: list request: запрос не выполнен: сервер закрыл соединение, не передав ответ "
                       "целиком\n");
    ASSERT_EQ(Events.size(), 1u);
    EXPECT_TRUE(StartsWith(Events[0], "error -101")) << Events[0];

    // A list stopped by the program is no failure: nothing in the log.
    Serve({"--stall", "--only", "list"});
    SetFailureSink(StderrFailureSink("mjpgplayer"));
    testing::internal::CaptureStderr();
    Manager.RequestList();
    ASSERT_TRUE(Server->WaitForRequests(1));
    Manager.StopAllRequests();
    SetFailureSink(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
