// The manager window's construction and life, its rows and properties pane,
// and opening the selected fragment.
#include "vmanagerform.h"

#include "core/cp1251.h"
#include "gridlinedelegate.h"
#include "manager/fragment.h"
#include "raiseevent.h"
#include "uikit/guarded.h"
#include "updatelock.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr int kPropertiesHeight = 198;

QString Text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

QString DateTimeText(TDateTime value)
{
    return Text(DateTimeToStr(value));
}

// The time of day of a value: the value less its whole days, truncated
// toward zero; shown as a time alone.
QString TimeOfDayText(TDateTime value)
{
    return DateTimeText(value - std::trunc(value));
}

QString AlarmTypeText(const TFragment& fragment)
{
    return fragment.PreAlarm ? QStringLiteral("pre") : QStringLiteral("post");
}

struct TKeyedText {
    const char* Key;
    QString Text;
    std::optional<std::string> Cp1251 = std::nullopt; // the bytes of a text that came as code page 1251
};

// The fragment's values under their column keys. The list shows the
// recording's begin and end as times of day, the properties pane in full.
std::vector<TKeyedText> FragmentTexts(const TFragment& fragment, bool recordingAsTimeOfDay)
{
    const auto recording = recordingAsTimeOfDay ? TimeOfDayText : DateTimeText;
    return {
        {"SN", QString::number(fragment.SerialNumber)},
        {"ISSUE", QString::number(fragment.Issue)},
        {"CAMERA", Text(Cp1251ToUtf8(fragment.Camera)), fragment.Camera},
        {"EVENT", DateTimeText(fragment.EventTime)},
        {"BEGIN", recording(fragment.BeginTime)},
        {"END", recording(fragment.EndTime)},
        {"RESOLUTION", Text(fragment.GetResolution())},
        {"FPS", QString::number(fragment.FPS)},
        {"FRAMES", QString::number(fragment.Frames)},
        {"TYPE", AlarmTypeText(fragment)},
    };
}

QTreeWidget* NewListView(QWidget* parent, const char* name)
{
    auto* view = new QTreeWidget(parent);
    view->setObjectName(QLatin1String(name));
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setAllColumnsShowFocus(true);
    view->header()->setStretchLastSection(false);
    view->header()->setSectionsMovable(false);
    return view;
}

} // namespace

TVManagerForm::TVManagerForm(QWidget* owner)
    : QWidget(owner, Qt::Window)
{
    setWindowTitle(QStringLiteral("Менеджер видеофрагментов"));
    resize(221, 568);
    createControls();
    AddStandardListColumns(ListColumns);
    AddStandardPropertyRows(PropertyRows);
    connectHandlers();
    FormCreate();
}

TVManagerForm::~TVManagerForm()
{
    Guarded([this] { FormDestroy(); });
    lvFragmentsList->removeEventFilter(this);
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

void TVManagerForm::createControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Splitter = new QSplitter(Qt::Vertical, this);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setHandleWidth(4);
    Splitter->setChildrenCollapsible(false);
    layout->addWidget(Splitter);

    lvFragmentsList = NewListView(Splitter, "lvFragmentsList");
    // The manager sorts by its typed keys (turning Qt's sorting off also
    // turns the headers' clicks off, so they are turned on after).
    lvFragmentsList->setSortingEnabled(false);
    lvFragmentsList->header()->setSectionsClickable(true);
    Splitter->addWidget(lvFragmentsList);

    lvProperties = NewListView(Splitter, "lvProperties");
    lvProperties->setColumnCount(2);
    lvProperties->setHeaderHidden(true);
    lvProperties->setItemDelegate(new TGridLineDelegate(lvProperties));
    Splitter->addWidget(lvProperties);

    Splitter->setStretchFactor(0, 1);
    Splitter->setStretchFactor(1, 0);
    Splitter->setSizes({height() - kPropertiesHeight - Splitter->handleWidth(), kPropertiesHeight});
}

void TVManagerForm::connectHandlers()
{
    QObject::connect(lvFragmentsList, &QTreeWidget::itemSelectionChanged, this, [this] {
        Guarded([this] {
            if (QTreeWidgetItem* row = SelectedRow())
                lvFragmentsListSelectItem(row, true);
        });
    });
    QObject::connect(lvFragmentsList, &QTreeWidget::itemDoubleClicked, this,
                     [this] { Guarded([this] { lvFragmentsListDblClick(); }); });
    QObject::connect(lvFragmentsList->header(), &QHeaderView::sectionClicked, this,
                     [this](int column) { Guarded([this, column] { lvFragmentsListColumnClick(column); }); });
    lvFragmentsList->installEventFilter(this);
}

bool TVManagerForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lvFragmentsList && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Guarded([this] { lvFragmentsListKeyPress(13); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TVManagerForm::FormCreate()
{
    BuildListColumns();
    BuildPropertyRows();
}

void TVManagerForm::FormDestroy()
{
    Clear();
    StopAllRequests();
}

TFragment* TVManagerForm::FragmentAt(int64_t index) const
{
    if (index < 0 || index >= static_cast<int64_t>(Fragments.size()))
        return nullptr;
    return Fragments[static_cast<size_t>(index)].get();
}

TFragment* TVManagerForm::FindFragment(int32_t serialNumber, int32_t issue) const
{
    for (const auto& fragment : Fragments)
        if (fragment->Matches(serialNumber, issue))
            return fragment.get();
    return nullptr;
}

TFragmentKey TVManagerForm::KeyOf(const TFragment& fragment) const
{
    return {fragment.SerialNumber, fragment.Issue, FListGeneration};
}

TFragment* TVManagerForm::FragmentOf(const TFragmentKey& key) const
{
    if (key.Generation != FListGeneration)
        return nullptr;
    // Of records listed twice, one that has been fetched.
    TFragment* first = nullptr;
    for (const auto& fragment : Fragments)
        if (fragment->Matches(key.SerialNumber, key.Issue)) {
            if (!fragment->Data.Empty())
                return fragment.get();
            if (!first)
                first = fragment.get();
        }
    return first;
}

void TVManagerForm::Clear()
{
    RaiseEvent(FEvents.OnFragmentsClearing, this);
    // The rows go before the fragments they point to.
    lvFragmentsList->clear();
    ++FListGeneration;
    for (auto& target : FVideoTargets)
        target.second = nullptr;
    Fragments.clear();
    const TUpdateLock lock(lvProperties);
    for (int row = 0; row < lvProperties->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = lvProperties->topLevelItem(row);
        for (int column = 1; column < item->columnCount(); ++column)
            item->setText(column, QString());
    }
}

QTreeWidgetItem* TVManagerForm::AddEmptyRow()
{
    auto* row = new QTreeWidgetItem(lvFragmentsList);
    for (int column = 0; column < lvFragmentsList->columnCount(); ++column)
        row->setText(column, QString());
    return row;
}

QTreeWidgetItem* TVManagerForm::AddFragmentRow(std::unique_ptr<TFragment> owned)
{
    TFragment* fragment = owned.get();
    Fragments.push_back(std::move(owned));
    QTreeWidgetItem* row = AddEmptyRow();
    row->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(fragment)));
    for (const TKeyedText& cell : FragmentTexts(*fragment, true)) {
        if (cell.Cp1251)
            Cells().SetBytes(cell.Key, row, *cell.Cp1251);
        else
            Cells().SetText(cell.Key, row, cell.Text);
    }
    return row;
}

void TVManagerForm::ShowProperties(const TFragment* fragment)
{
    if (!fragment)
        return;
    for (const TKeyedText& property : FragmentTexts(*fragment, false))
        SetPropertyText(property.Key, property.Text);
    AutoSizeProperties();
}

QTreeWidgetItem* TVManagerForm::SelectedRow() const
{
    const QList<QTreeWidgetItem*> selected = lvFragmentsList->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void TVManagerForm::lvFragmentsListSelectItem(QTreeWidgetItem* item, bool selected)
{
    // A deselection keeps the pane as it is.
    if (!item || !selected)
        return;
    if (TFragment* fragment = FragmentOf(item))
        ShowProperties(fragment);
}

void TVManagerForm::lvFragmentsListDblClick()
{
    OpenSelected();
}

void TVManagerForm::lvFragmentsListKeyPress(int key)
{
    if (key == 13)
        OpenSelected();
}
