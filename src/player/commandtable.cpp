// The table of the player's commands.
#include "commandtable.h"

#include "vplayerform.h"

#include <iterator>

namespace {

using C = TPlayerCommand;
using F = TVPlayerForm;
constexpr TCommandBar NoBar = TCommandBar::None;
constexpr TCommandBar Video = TCommandBar::VideoActions;
constexpr TCommandBar View = TCommandBar::View;
constexpr TCommandBar File = TCommandBar::File;
constexpr TCommandChoice Single = TCommandChoice::None;
constexpr TCommandChoice ZoomChoice = TCommandChoice::Zoom;
constexpr TCommandChoice SpeedChoice = TCommandChoice::Speed;

constexpr int Percent(double factor)
{
    return static_cast<int>(factor * 100);
}
constexpr int SpeedArgument(TPlaybackSpeed speed)
{
    return static_cast<int>(speed);
}

} // namespace

// clang-format off
const TCommandRow TVPlayerForm::CommandTable[] = {
    {C::FirstFrame, "actFirstFrame", "Video", "Начало", "Первый кадр", "Home",
     &F::Run<&F::actFirstFrameExecute>, 0, 0, Single, Video, "tbnFirstFrame", 10, false, false},
    {C::PriorFrame, "actPriorFrame", "Video", "Кадр назад", "Кадр назад", "Left",
     &F::Run<&F::actPriorFrameExecute>, 0, 1, Single, Video, "tbtnPriorFrame", 20, false, false},
    {C::PlayBack, "actPlayBack", "Video", "Обратный просмотр", "Проиграть назад", "",
     &F::Run<&F::actPlayBackExecute>, 0, 2, Single, Video, "tbtnPlayBack", 30, false, false},
    {C::Pause, "actPause", "Video", "Пауза", "Пауза", "",
     &F::Run<&F::actPauseExecute>, 0, 3, Single, Video, "tbtnPause", 40, true, false},
    {C::Stop, "actStop", "Video", "Остановить", "Остановить", "",
     &F::Run<&F::actStopExecute>, 0, 4, Single, Video, "tbtnStop", 50, false, false},
    {C::Play, "actPlay", "Video", "Просмотр", "Проиграть", "",
     &F::Run<&F::actPlayExecute>, 0, 5, Single, Video, "tbtnPlay", 60, true, false},
    {C::NextFrame, "actNextFrame", "Video", "Кадр вперед", "Кадр вперед", "Right",
     &F::Run<&F::actNextFrameExecute>, 0, 6, Single, Video, "tbtnNextFrame", 70, false, false},
    {C::LastFrame, "actLastFrame", "Video", "Конец", "Последний кадр", "End",
     &F::Run<&F::actLastFrameExecute>, 0, 7, Single, Video, "tbtnLastFrame", 80, false, false},
    {C::SaveFrame, "actSaveFrame", "Video", "Снимок", "Сохранить кадр", "",
     &F::Run<&F::actSaveFrameExecute>, 0, 8, Single, Video, "tbtnSaveFrame", 90, true, false},
    {C::OpenFile, "actOpenFile", "File", "Открыть", "Загрузить видео из файла", "",
     &F::Run<&F::actOpenFileExecute>, 0, 9, Single, File, "tbtnOpenFile", 10, false, false},
    {C::SaveFile, "actSaveFile", "File", "Сохранить", "Сохранить видео в файл", "",
     &F::Run<&F::actSaveFileExecute>, 0, 10, Single, File, "tbtnSaveFile", 20, false, false},
    {C::PrintReport, "actPrintReport", "Video", "Печать", "Печатать кадр", "",
     &F::Run<&F::actPrintReportExecute>, 0, 11, Single, Video, "tbtnPrintReport", 100, false, false},
    {C::Stretch, "actStretch", "View", "Растянуть", "Растянуть до размеров окна", "",
     &F::Run<&F::actStretchExecute>, 0, 12, Single, View, "tbtnResizeFrame", 10, false, true},
    // tbtnResizeFrame switches to it (and back) by itself.
    {C::NormalSize, "actNormalSize", "View", "Исходный размер", "Сохранять пропорции", "",
     &F::Run<&F::actNormalSizeExecute>, 0, 13, Single, NoBar, "", 0, false, false},
    {C::ShowManager, "actShowManager", "View", "Менеджер видеофрагментов", "Показать менеджер видеофрагментов", "",
     &F::Run<&F::actShowManagerExecute>, 0, 14, Single, View, "tbtnViewManager", 40, false, false},
    // tbtnViewManager switches to it while the manager is shown.
    {C::HideManager, "actHideManager", "View", "Менеджер видеофрагментов", "Скрыть менеджер видеофрагментов", "",
     &F::Run<&F::actHideManagerExecute>, 0, 14, Single, NoBar, "", 0, false, false},
    {C::ShowDTInterval, "actShowDTInterval", "View", "Получить видеофрагменты", "Получить список видеофрагментов", "",
     &F::Run<&F::actShowDTIntervalExecute>, 0, 15, Single, View, "ToolButton4", 50, false, false},
    {C::Zoom50, "actZoom50", "Zoom", "50%", "Уменьшить исходный размер в 2-а раза", "",
     &F::ChooseZoom, Percent(0.5), -1, ZoomChoice, View, "", 20, false, false},
    {C::Zoom100, "actZoom100", "Zoom", "100%", "Исходный размер изображения", "",
     &F::ChooseZoom, Percent(1.0), -1, ZoomChoice, View, "", 20, false, false},
    {C::Zoom200, "actZoom200", "Zoom", "200%", "Увеличить исходный размер в 2-а раза", "",
     &F::ChooseZoom, Percent(2.0), -1, ZoomChoice, View, "", 20, false, false},
    // Fitted to the window: no fixed zoom.
    {C::ZoomFree, "actZoomFree", "Zoom", "По размеру окна", "Вписать видео в размеры окна", "",
     &F::ChooseZoom, 0, -1, ZoomChoice, View, "", 20, true, false},
    {C::CancelLoad, "actCancelLoad", "File", "Отменить", "Отменить загрузку видеофрагмента", "Esc",
     &F::Run<&F::actCancelLoadExecute>, 0, 16, Single, File, "tbtnCancelLoading", 30, false, false},
    {C::SpeedQuarter, "actSpeedQuarter", "Speed", "×¼", "Скорость воспроизведения ×¼", "",
     &F::ChooseSpeed, SpeedArgument(TPlaybackSpeed::Quarter), -1, SpeedChoice, View, "", 30, false, false},
    {C::SpeedHalf, "actSpeedHalf", "Speed", "×½", "Скорость воспроизведения ×½", "",
     &F::ChooseSpeed, SpeedArgument(TPlaybackSpeed::Half), -1, SpeedChoice, View, "", 30, false, false},
    {C::SpeedNormal, "actSpeedNormal", "Speed", "×1", "Скорость воспроизведения ×1", "Backspace",
     &F::ChooseSpeed, SpeedArgument(TPlaybackSpeed::Normal), -1, SpeedChoice, View, "", 30, false, false},
    {C::SpeedDouble, "actSpeedDouble", "Speed", "×2", "Скорость воспроизведения ×2", "",
     &F::ChooseSpeed, SpeedArgument(TPlaybackSpeed::Double), -1, SpeedChoice, View, "", 30, false, false},
    {C::Speed4, "actSpeed4", "Speed", "×4", "Скорость воспроизведения ×4", "",
     &F::ChooseSpeed, SpeedArgument(TPlaybackSpeed::Times4), -1, SpeedChoice, View, "", 30, false, false},
    {C::Speed8, "actSpeed8", "Speed", "×8", "Скорость воспроизведения ×8", "",
     &F::ChooseSpeed, SpeedArgument(TPlaybackSpeed::Times8), -1, SpeedChoice, View, "", 30, false, false},
    {C::Speed16, "actSpeed16", "Speed", "×16", "Скорость воспроизведения ×16", "",
     &F::ChooseSpeed, SpeedArgument(TPlaybackSpeed::Times16), -1, SpeedChoice, View, "", 30, false, false},
    // A step faster (+1) or slower (-1) through the choices.
    {C::SpeedUp, "actSpeedUp", "Video", "Быстрее", "Увеличить скорость воспроизведения", "]",
     &F::StepSpeed, +1, -1, Single, NoBar, "", 0, false, false},
    {C::SpeedDown, "actSpeedDown", "Video", "Медленнее", "Уменьшить скорость воспроизведения", "[",
     &F::StepSpeed, -1, -1, Single, NoBar, "", 0, false, false},
    // Space: "Просмотр" or "Пауза", whichever fits.
    {C::PlayPause, "actPlayPause", "Video", "Просмотр или пауза", "Проиграть или приостановить", "Space",
     &F::Run<&F::actPlayPauseExecute>, 0, -1, Single, NoBar, "", 0, false, false},
};
// clang-format on

const TCommandRow& TVPlayerForm::CommandRow(TPlayerCommand command)
{
    static_assert(std::size(CommandTable) == PlayerCommandCount, "one row for each command");
    return CommandTable[static_cast<size_t>(command)];
}
