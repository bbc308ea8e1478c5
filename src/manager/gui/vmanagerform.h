// TVManagerForm: the fragment manager. It asks the archive server for the
// fragments of an interval, lists them (one row each) with the properties
// of the selected one, and fetches a fragment's video when asked. It owns the
// fragments of the last answer and the request workers it created and has
// not seen finish; it knows nothing of playing and tells its owner through
// its events. Its members are defined over several files, one concern each:
// vmanagerform.cpp (controls, the window's life, rows, opening),
// managercells.cpp (cells by key, sorting) and managerrequests.cpp (the
// workers).
#pragma once

#include "core/datetime.h"
#include "manager/fragment.h"
#include "manager/gui/listcells.h"
#include "manager/listcolumns.h"

#include <QString>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class TFragment;
class TFragmentsAction;
class TFragmentsGetVideo;
class TWorkerThread;
class TVManagerForm;

// RequestState: what the manager is doing.
enum : uint8_t {
    rsIdle = 0,
    rsListing = 1,  // a list request runs
    rsFetching = 2, // video fetching has been started
};

// The connection and behaviour settings the owner gives the manager.
struct TManagerSettings {
    std::string Host;
    std::string UserName; // code page 1251
    // Plain, or scrambled ("#..."); every worker gets it scrambled afresh.
    std::string Password;
    int32_t Port = 80;
    // https: the same protocol inside TLS, with CaFile (PEM) trusted besides
    // the system's authorities.
    bool Secure = false;
    std::string CaFile;
    bool AutoLoadVideo = false;
    int32_t FragmentLimit = 50;
};

// What the manager tells its owner (each optional; the sender is the
// manager).
struct TManagerEvents {
    std::function<void(TVManagerForm* sender, TFragment* fragment)> OnFragmentOpen;
    std::function<void(TVManagerForm* sender, TFragment* fragment)> OnVideoRequest;
    std::function<void(TVManagerForm* sender, TFragment* fragment)> OnVideoLoaded;
    std::function<void(TVManagerForm* sender, int code, const std::string& message)> OnRequestError;
    // Raised by Clear before it replaces the list: a wait for one of its
    // fragments ends. (Nobody outside holds a record: fragments are named
    // by TFragmentKey and their bytes are shared.)
    std::function<void(TVManagerForm* sender)> OnFragmentsClearing;
};

// The manager's named interface: what the player and the shell use of it.
// Its widgets (lvFragmentsList, lvProperties, Splitter), handlers and
// workers are its own; tests reach the widgets by object name.
class TVManagerForm : public QWidget {
    Q_OBJECT
public:
    // A window of its own until its owner docks it.
    explicit TVManagerForm(QWidget* owner = nullptr);
    ~TVManagerForm() override;

    TManagerSettings& Settings() { return FSettings; }
    TManagerEvents& Events() { return FEvents; }
    // rsIdle, rsListing or rsFetching.
    uint8_t State() const { return RequestState; }

    void RequestList();
    void RequestList(TDateTime begin, TDateTime end);
    size_t FragmentCount() const { return Fragments.size(); }
    TFragment* FragmentAt(int64_t index) const;
    // A record's key in the current list, and the record of a key: null
    // once the list it was made in has been replaced, or no such record.
    TFragmentKey KeyOf(const TFragment& fragment) const;
    TFragment* FragmentOf(const TFragmentKey& key) const;
    // Counts the times the list was replaced.
    uint64_t ListGeneration() const { return FListGeneration; }
    void FetchFragment(TFragment* fragment, bool wait);
    TFragmentsGetVideo* FindVideoRequest(int32_t serialNumber, int32_t issue) const;
    void StopRequest(TFragmentsAction* worker);
    // Empties the list (OnFragmentsClearing first); its workers go on and
    // find no fragment to deliver to.
    void Clear();
    void StopAllRequests();
    void ClearAndStop();
    // Whether a started worker has not finished yet: only such a worker can
    // still change the state.
    bool RequestsRunning() const;
    // The workers created and not yet seen finish or stopped.
    size_t RequestCount() const { return Requests.size(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ---- Controls (owned through Qt parents) ----
    QTreeWidget* lvFragmentsList = nullptr;
    QSplitter* Splitter = nullptr; // between the list and the properties pane
    QTreeWidget* lvProperties = nullptr;

    TManagerSettings FSettings;
    TManagerEvents FEvents;

    uint8_t RequestState = rsIdle;
    int32_t SortColumn = -1;
    bool SortAscending = true;

    TListColumnsInfo ListColumns;  // columns of lvFragmentsList
    TListColumnsInfo PropertyRows; // rows of lvProperties

    // Every worker created and not yet seen finish or stopped, by address.
    std::set<TFragmentsAction*> Requests;
    // The fragments of the last list answer, in the answer's order.
    std::vector<std::unique_ptr<TFragment>> Fragments;

    // ---- Inner operations ----
    TFragmentsGetVideo* PrepareVideoRequest(int32_t serialNumber, int32_t issue);
    // The fragment's worker: the one already there, or a newly prepared one.
    TFragmentsGetVideo* VideoRequestFor(const TFragment& fragment);
    TFragment* FindFragment(int32_t serialNumber, int32_t issue) const;
    QTreeWidgetItem* AddFragmentRow(std::unique_ptr<TFragment> fragment);
    QTreeWidgetItem* AddEmptyRow();
    void ShowProperties(const TFragment* fragment);
    void OpenSelected();
    void ListRequestFinished(TWorkerThread* sender);
    void VideoRequestFinished(TWorkerThread* sender);

    // ---- Cells by key (managercells.cpp) ----
    void BuildListColumns();
    void BuildPropertyRows();
    // The list's cells by the keys of ListColumns.
    TListCells Cells() const;
    void SetPropertyText(const std::string& key, const QString& text);
    // The fragment a row carries (its data pointer), null for none.
    static TFragment* FragmentOf(const QTreeWidgetItem* row);
    // The selected row, null for none.
    QTreeWidgetItem* SelectedRow() const;

    // ---- Window events and handlers ----
    void FormCreate();
    void FormDestroy();
    void lvFragmentsListSelectItem(QTreeWidgetItem* item, bool selected);
    void lvFragmentsListDblClick();
    void lvFragmentsListKeyPress(int key);
    void lvFragmentsListColumnClick(int column);

    // Starts a worker the manager holds. When no thread can be had the
    // worker is dropped and the owner told (OnRequestError with
    // rrNoResources): whoever waits for it stops waiting. Returns whether
    // it started.
    bool StartWorker(TFragmentsAction* worker);
    // Forgets a worker leaving Requests; yields the fragment its video was
    // for (null for one no longer listed) and whether it was for one.
    TFragment* TakeVideoTarget(TFragmentsGetVideo* worker, bool& targeted);

    void createControls();
    void connectHandlers();
    // Gives a new worker the connection settings.
    void SetUpWorker(TFragmentsAction& worker) const;
    // Sizes the list's columns whose width is a sizing code.
    void AutoSizeListColumns();
    void AutoSizeProperties();

    // The descriptions of lvFragmentsList's columns, in column order.
    std::vector<const TListColumnInfo*> FBuiltColumns;
    // The fragment each video worker fetches for: its body goes there and
    // nowhere else, even when two lines name the same fragment. Clear sets
    // the targets to null (the fragments are gone).
    std::map<const TFragmentsGetVideo*, TFragment*> FVideoTargets;
    // Counts the times Clear freed the fragments: a fragment pointer taken
    // before an owner's handler ran is valid after it only while this is
    // unchanged.
    uint64_t FListGeneration = 0;
};
