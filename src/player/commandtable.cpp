// The table of the player's commands.
#include "commandtable.h"

#include "vplayerform.h"

#include <array>
#include <cstddef>

namespace {

using C = TPlayerCommand;
using F = TVPlayerForm;
constexpr TCommandBar NoBar = TCommandBar::None;
constexpr TCommandBar Video = TCommandBar::VideoActions;
constexpr TCommandBar View = TCommandBar::View;
constexpr TCommandBar File = TCommandBar::File;

// clang-format off
constexpr TCommandRow Rows[] = {
    {C::FirstFrame, "Video", "Начало", "Первый кадр", 0, "Home", &F::actFirstFrameExecute, &F::actFirstFrame,
     Video, "tbnFirstFrame", 10, false, false},
    {C::PriorFrame, "Video", "Кадр назад", "Кадр назад", 1, "Left", &F::actPriorFrameExecute, &F::actPriorFrame,
     Video, "tbtnPriorFrame", 20, false, false},
    {C::PlayBack, "Video", "Обратный просмотр", "Проиграть назад", 2, "", &F::actPlayBackExecute, &F::actPlayBack,
     Video, "tbtnPlayBack", 30, false, false},
    {C::Pause, "Video", "Пауза", "Пауза", 3, "", &F::actPauseExecute, &F::actPause,
     Video, "tbtnPause", 40, true, false},
    {C::Stop, "Video", "Остановить", "Остановить", 4, "", &F::actStopExecute, &F::actStop,
     Video, "tbtnStop", 50, false, false},
    {C::Play, "Video", "Просмотр", "Проиграть", 5, "", &F::actPlayExecute, &F::actPlay,
     Video, "tbtnPlay", 60, true, false},
    {C::NextFrame, "Video", "Кадр вперед", "Кадр вперед", 6, "Right", &F::actNextFrameExecute, &F::actNextFrame,
     Video, "tbtnNextFrame", 70, false, false},
    {C::LastFrame, "Video", "Конец", "Последний кадр", 7, "End", &F::actLastFrameExecute, &F::actLastFrame,
     Video, "tbtnLastFrame", 80, false, false},
    {C::SaveFrame, "Video", "Снимок", "Сохранить кадр", 8, "", &F::actSaveFrameExecute, &F::actSaveFrame,
     Video, "tbtnSaveFrame", 90, true, false},
    {C::OpenFile, "File", "Открыть", "Загрузить видео из файла", 9, "", &F::actOpenFileExecute, &F::actOpenFile,
     File, "tbtnOpenFile", 10, false, false},
    {C::SaveFile, "File", "Сохранить", "Сохранить видео в файл", 10, "", &F::actSaveFileExecute, &F::actSaveFile,
     File, "tbtnSaveFile", 20, false, false},
    {C::PrintReport, "Video", "Печать", "Печатать кадр", 11, "", &F::actPrintReportExecute, &F::actPrintReport,
     Video, "tbtnPrintReport", 100, false, false},
    {C::Stretch, "View", "Растянуть", "Растянуть до размеров окна", 12, "", &F::actStretchExecute, &F::actStretch,
     View, "tbtnResizeFrame", 10, false, true},
    // tbtnResizeFrame switches to it (and back) by itself.
    {C::NormalSize, "View", "Исходный размер", "Сохранять пропорции", 13, "", &F::actNormalSizeExecute,
     &F::actNormalSize, NoBar, "", 0, false, false},
    {C::ShowManager, "View", "Менеджер видеофрагментов", "Показать менеджер видеофрагментов", 14, "",
     &F::actShowManagerExecute, &F::actShowManager, View, "tbtnViewManager", 40, false, false},
    // tbtnViewManager switches to it while the manager is shown.
    {C::HideManager, "View", "Менеджер видеофрагментов", "Скрыть менеджер видеофрагментов", 14, "",
     &F::actHideManagerExecute, &F::actHideManager, NoBar, "", 0, false, false},
    {C::ShowDTInterval, "View", "Получить видеофрагменты", "Получить список видеофрагментов", 15, "",
     &F::actShowDTIntervalExecute, &F::actShowDTInterval, View, "ToolButton4", 50, false, false},
    {C::Zoom50, "Zoom", "50%", "Уменьшить исходный размер в 2-а раза", -1, "", &F::actZoom50Execute, &F::actZoom50,
     View, "tbtnZoomFragment", 20, false, false},
    {C::Zoom100, "Zoom", "100%", "Исходный размер изображения", -1, "", &F::actZoom100Execute, &F::actZoom100,
     View, "tbtnZoomFragment", 20, false, false},
    {C::Zoom200, "Zoom", "200%", "Увеличить исходный размер в 2-а раза", -1, "", &F::actZoom200Execute,
     &F::actZoom200, View, "tbtnZoomFragment", 20, false, false},
    {C::ZoomFree, "Zoom", "По размеру окна", "Вписать видео в размеры окна", -1, "", &F::actZoomFreeExecute,
     &F::actZoomFree, View, "tbtnZoomFragment", 20, true, false},
    {C::CancelLoad, "File", "Отменить", "Отменить загрузку видеофрагмента", 16, "Esc", &F::actCancelLoadExecute,
     &F::actCancelLoad, File, "tbtnCancelLoading", 30, false, false},
    {C::SpeedQuarter, "Speed", "×¼", "Скорость воспроизведения ×¼", -1, "", &F::actSpeedQuarterExecute,
     &F::actSpeedQuarter, View, "tbtnSpeed", 30, false, false},
    {C::SpeedHalf, "Speed", "×½", "Скорость воспроизведения ×½", -1, "", &F::actSpeedHalfExecute, &F::actSpeedHalf,
     View, "tbtnSpeed", 30, false, false},
    {C::SpeedNormal, "Speed", "×1", "Скорость воспроизведения ×1", -1, "Backspace", &F::actSpeedNormalExecute,
     &F::actSpeedNormal, View, "tbtnSpeed", 30, false, false},
    {C::SpeedDouble, "Speed", "×2", "Скорость воспроизведения ×2", -1, "", &F::actSpeedDoubleExecute,
     &F::actSpeedDouble, View, "tbtnSpeed", 30, false, false},
    {C::Speed4, "Speed", "×4", "Скорость воспроизведения ×4", -1, "", &F::actSpeed4Execute, &F::actSpeed4,
     View, "tbtnSpeed", 30, false, false},
    {C::Speed8, "Speed", "×8", "Скорость воспроизведения ×8", -1, "", &F::actSpeed8Execute, &F::actSpeed8,
     View, "tbtnSpeed", 30, false, false},
    {C::Speed16, "Speed", "×16", "Скорость воспроизведения ×16", -1, "", &F::actSpeed16Execute, &F::actSpeed16,
     View, "tbtnSpeed", 30, false, false},
    {C::SpeedUp, "Video", "Быстрее", "Увеличить скорость воспроизведения", -1, "]", &F::actSpeedUpExecute,
     &F::actSpeedUp, NoBar, "", 0, false, false},
    {C::SpeedDown, "Video", "Медленнее", "Уменьшить скорость воспроизведения", -1, "[", &F::actSpeedDownExecute,
     &F::actSpeedDown, NoBar, "", 0, false, false},
};
// clang-format on

constexpr bool RowsFollowTheCommands()
{
    for (size_t i = 0; i < std::size(Rows); ++i)
        if (static_cast<size_t>(Rows[i].Command) != i)
            return false;
    return std::size(Rows) == PlayerCommandCount;
}
static_assert(RowsFollowTheCommands(), "one row for each command, in the commands' order");

} // namespace

const TCommandRow& CommandRow(TPlayerCommand command)
{
    return Rows[static_cast<size_t>(command)];
}
