// The window's design: controls, actions, buttons and menus by name.
#include "playerfixture.h"
#include "children.h"

#include "player/actionbutton.h"

#include <QMenu>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <map>

namespace {

struct ActionRow {
    const char* Name;
    const char* Category;
    const char* Caption;
    const char* Hint;
    bool HasImage;
};

const ActionRow ActionTable[] = {
    {"actFirstFrame", "Video", "Начало", "Первый кадр", true},
    {"actPriorFrame", "Video", "Кадр назад", "Кадр назад", true},
    {"actPlayBack", "Video", "Обратный просмотр", "Проиграть назад", true},
    {"actPause", "Video", "Пауза", "Пауза", true},
    {"actStop", "Video", "Остановить", "Остановить", true},
    {"actPlay", "Video", "Просмотр", "Проиграть", true},
    {"actNextFrame", "Video", "Кадр вперед", "Кадр вперед", true},
    {"actLastFrame", "Video", "Конец", "Последний кадр", true},
    {"actSaveFrame", "Video", "Снимок", "Сохранить кадр", true},
    {"actOpenFile", "File", "Открыть", "Загрузить видео из файла", true},
    {"actSaveFile", "File", "Сохранить", "Сохранить видео в файл", true},
    {"actPrintReport", "Video", "Печать", "Печатать кадр", true},
    {"actStretch", "View", "Растянуть", "Растянуть до размеров окна", true},
    {"actNormalSize", "View", "Исходный размер", "Сохранять пропорции", true},
    {"actShowManager", "View", "Менеджер видеофрагментов", "Показать менеджер видеофрагментов", true},
    {"actHideManager", "View", "Менеджер видеофрагментов", "Скрыть менеджер видеофрагментов", true},
    {"actShowDTInterval", "View", "Получить видеофрагменты", "Получить список видеофрагментов", true},
    {"actZoom50", "Zoom", "50%", "Уменьшить исходный размер в 2-а раза", false},
    {"actZoom100", "Zoom", "100%", "Исходный размер изображения", false},
    {"actZoom200", "Zoom", "200%", "Увеличить исходный размер в 2-а раза", false},
    {"actZoomFree", "Zoom", "По размеру окна", "Вписать видео в размеры окна", false},
    {"actCancelLoad", "File", "Отменить", "Отменить загрузку видеофрагмента", true},
};

// True when the icon's normal look has a visible pixel (the artwork loaded).
bool IconIsDrawn(const QIcon& icon)
{
    const QImage image = icon.pixmap(QSize(16, 16)).toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
    return false;
}

std::vector<std::string> ButtonNames(QToolBar* bar)
{
    // Widgets of a tool bar in their order; separators as "|".
    std::vector<std::string> names;
    for (QAction* entry : bar->actions()) {
        if (entry->isSeparator())
            names.push_back("|");
        else if (QWidget* widget = bar->widgetForAction(entry))
            names.push_back(widget->objectName().toStdString());
    }
    return names;
}

} // namespace

TEST_F(PlayerTest, ActionListFollowsTheActionTable)
{
    const std::vector<QAction*> actions = DesignActions(Form);
    ASSERT_EQ(actions.size(), std::size(ActionTable));
    for (size_t i = 0; i < std::size(ActionTable); ++i) {
        const ActionRow& row = ActionTable[i];
        SCOPED_TRACE(row.Name);
        // The engine names its commands by their place in this list.
        QAction* action = Form.CommandAction(static_cast<TPlayerCommand>(i));
        EXPECT_EQ(action->objectName().toStdString(), row.Name);
        EXPECT_EQ(Form.findChild<QAction*>(QLatin1String(row.Name)), action);
        EXPECT_EQ(action->property("category").toString().toStdString(), row.Category);
        EXPECT_EQ(action->text().toStdString(), row.Caption);
        EXPECT_EQ(action->toolTip().toStdString(), row.Hint);
        EXPECT_EQ(!action->icon().isNull(), row.HasImage);
        if (row.HasImage) {
            EXPECT_TRUE(IconIsDrawn(action->icon()));
        }
    }
    EXPECT_FALSE(Child(Form, "actCancelLoad")->isVisible());
    // Esc of the design, and the keys desktop players use for stepping.
    const std::map<QAction*, QKeySequence> keys{
        {Child(Form, "actCancelLoad"), QKeySequence(Qt::Key_Escape)}, {Child(Form, "actFirstFrame"), QKeySequence(Qt::Key_Home)},
        {Child(Form, "actLastFrame"), QKeySequence(Qt::Key_End)},     {Child(Form, "actPriorFrame"), QKeySequence(Qt::Key_Left)},
        {Child(Form, "actNextFrame"), QKeySequence(Qt::Key_Right)},
    };
    for (QAction* action : actions) {
        const auto key = keys.find(action);
        EXPECT_EQ(action->shortcut(), key == keys.end() ? QKeySequence() : key->second)
            << action->objectName().toStdString();
    }
}

TEST_F(PlayerTest, ControlsCarryTheirNames)
{
    EXPECT_EQ(Form.windowTitle().toStdString(), "Просмотр видеоархива");
    for (const char* name : {"pnlVideo", "imgVideo", "pbxPause", "RightSplitter", "pnlRightDock", "CoolBar",
                             "trbFramePosition", "tbrVideoActions", "tbrView", "tbrFile", "tbtnZoomFragment",
                             "tbtnResizeFrame"})
        EXPECT_NE(Form.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    EXPECT_NE(Form.findChild<QMenu*>(QStringLiteral("pmFrameZoom")), nullptr);
    EXPECT_TRUE(Child<QWidget>(Form, "pnlRightDock")->isHidden());
    EXPECT_EQ(Child<QSlider>(Form, "trbFramePosition")->pageStep(), 1);
    EXPECT_EQ(Child<QSlider>(Form, "trbFramePosition")->singleStep(), 1);
    EXPECT_EQ(Child<QSlider>(Form, "trbFramePosition")->orientation(), Qt::Horizontal);
}

TEST_F(PlayerTest, TimersAreStoppedWithTheirIntervals)
{
    const std::pair<const char*, int> timers[] = {{"tmrStartWait", 500}, {"tmrPauseAnimation", 100}, {"Timer1", 110}};
    for (const auto& [name, interval] : timers) {
        auto* timer = Form.findChild<QTimer*>(QLatin1String(name));
        ASSERT_NE(timer, nullptr) << name;
        EXPECT_EQ(timer->interval(), interval) << name;
        EXPECT_FALSE(timer->isActive()) << name;
    }
    EXPECT_TRUE(Child<QTimer>(Form, "Timer1")->isSingleShot());
    Form.show();
    EXPECT_FALSE(Child<QTimer>(Form, "Timer1")->isActive()); // nothing asks to open a fragment on show
    Form.hide();
    Form.Settings().OpenFirstOnShow = true;
    Form.show();
    EXPECT_TRUE(Child<QTimer>(Form, "Timer1")->isActive());
    Child<QTimer>(Form, "Timer1")->stop();
}

TEST_F(PlayerTest, ToolBarsHoldTheirButtonsInOrder)
{
    using Names = std::vector<std::string>;
    EXPECT_EQ(ButtonNames(Child<QToolBar>(Form, "tbrVideoActions")),
              (Names{"tbnFirstFrame", "tbtnPriorFrame", "tbtnPlayBack", "|", "tbtnPause", "tbtnStop", "|", "tbtnPlay",
                     "tbtnNextFrame", "tbtnLastFrame", "|", "tbtnSaveFrame", "tbtnPrintReport"}));
    EXPECT_EQ(ButtonNames(Child<QToolBar>(Form, "tbrView")),
              (Names{"tbtnResizeFrame", "tbtnZoomFragment", "tbtnSpeed", "tbtnViewManager", "ToolButton4"}));
    EXPECT_EQ(ButtonNames(Child<QToolBar>(Form, "tbrFile")), (Names{"tbtnOpenFile", "tbtnSaveFile", "tbtnCancelLoading"}));

    const std::pair<TActionButton*, QAction*> bound[] = {
        {Child<TActionButton>(Form, "tbnFirstFrame"), Child(Form, "actFirstFrame")},   {Child<TActionButton>(Form, "tbtnPriorFrame"), Child(Form, "actPriorFrame")},
        {Child<TActionButton>(Form, "tbtnPlayBack"), Child(Form, "actPlayBack")},      {Child<TActionButton>(Form, "tbtnPause"), Child(Form, "actPause")},
        {Child<TActionButton>(Form, "tbtnStop"), Child(Form, "actStop")},              {Child<TActionButton>(Form, "tbtnPlay"), Child(Form, "actPlay")},
        {Child<TActionButton>(Form, "tbtnNextFrame"), Child(Form, "actNextFrame")},    {Child<TActionButton>(Form, "tbtnLastFrame"), Child(Form, "actLastFrame")},
        {Child<TActionButton>(Form, "tbtnSaveFrame"), Child(Form, "actSaveFrame")},    {Child<TActionButton>(Form, "tbtnPrintReport"), Child(Form, "actPrintReport")},
        {Child<TActionButton>(Form, "tbtnResizeFrame"), Child(Form, "actStretch")},    {Child<TActionButton>(Form, "tbtnViewManager"), Child(Form, "actShowManager")},
        {Child<TActionButton>(Form, "ToolButton4"), Child(Form, "actShowDTInterval")}, {Child<TActionButton>(Form, "tbtnOpenFile"), Child(Form, "actOpenFile")},
        {Child<TActionButton>(Form, "tbtnSaveFile"), Child(Form, "actSaveFile")},      {Child<TActionButton>(Form, "tbtnCancelLoading"), Child(Form, "actCancelLoad")},
    };
    for (const auto& [button, action] : bound)
        EXPECT_EQ(button->Action(), action) << button->objectName().toStdString();
}

TEST_F(PlayerTest, ButtonsFollowTheirActionsVisibility)
{
    Form.show();
    EXPECT_FALSE(Child<TActionButton>(Form, "tbtnResizeFrame")->isVisible());
    EXPECT_FALSE(Child<TActionButton>(Form, "tbtnCancelLoading")->isVisible()); // its action is hidden at design
    EXPECT_TRUE(Child<TActionButton>(Form, "tbtnViewManager")->isVisible());
    Child(Form, "actShowManager")->setVisible(false);
    Child(Form, "actShowDTInterval")->setVisible(false);
    QCoreApplication::processEvents(); // the tool bar lays itself out again
    EXPECT_FALSE(Child<TActionButton>(Form, "tbtnViewManager")->isVisible());
    EXPECT_FALSE(Child<TActionButton>(Form, "ToolButton4")->isVisible());
    Child(Form, "actCancelLoad")->setVisible(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Child<TActionButton>(Form, "tbtnCancelLoading")->isVisible());
    // Hidden for good, whichever action it shows.
    Child(Form, "actStretch")->trigger();
    Child(Form, "actNormalSize")->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(Child<TActionButton>(Form, "tbtnResizeFrame")->isVisible());
}

TEST_F(PlayerTest, ZoomMenuListsTheZoomChoices)
{
    const QList<QAction*> items = Child<QMenu>(Form, "pmFrameZoom")->actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0], Child(Form, "actZoom50"));
    EXPECT_EQ(items[1], Child(Form, "actZoom100"));
    EXPECT_EQ(items[2], Child(Form, "actZoom200"));
    EXPECT_TRUE(items[3]->isSeparator());
    EXPECT_EQ(items[3]->objectName(), QStringLiteral("N1"));
    EXPECT_EQ(items[4], Child(Form, "actZoomFree"));
    EXPECT_EQ(Child<QToolButton>(Form, "tbtnZoomFragment")->menu(), Child<QMenu>(Form, "pmFrameZoom"));
    EXPECT_EQ(Child<QToolButton>(Form, "tbtnZoomFragment")->popupMode(), QToolButton::MenuButtonPopup);
    EXPECT_TRUE(IconIsDrawn(Child<QToolButton>(Form, "tbtnZoomFragment")->icon()));
    // At creation the window fits the picture to the panel.
    EXPECT_TRUE(Child(Form, "actZoomFree")->isChecked());
    EXPECT_FALSE(Child(Form, "actZoom50")->isChecked() || Child(Form, "actZoom100")->isChecked() || Child(Form, "actZoom200")->isChecked());
}

TEST_F(PlayerTest, OpenDialogAsksForAnMJPGFile)
{
    Dialogs.FileAnswers.push_back(QString()); // cancelled
    Child(Form, "actOpenFile")->trigger();
    ASSERT_EQ(Dialogs.FileDialogs.size(), 1u);
    EXPECT_EQ(Dialogs.FileDialogs[0].Title.toStdString(), "Открыть видеофрагмент");
    EXPECT_EQ(Dialogs.FileDialogs[0].Filter.toStdString(), "Видео MJPG (*.mjpg)|*.mjpg|Все файлы|*.*");
    EXPECT_EQ(Dialogs.FileDialogs[0].DefaultExt.toStdString(), "mjpg");
    EXPECT_EQ(Form.State, psEmpty);
    EXPECT_TRUE(Dialogs.Messages.empty());
}
