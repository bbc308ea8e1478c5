#include "helptext.h"

#include "commandline.h"

namespace {

std::string MakePlayerHelp()
{
    return "Использование: mjpgplayer [ФАЙЛ.mjpg]\n"
           "       mjpgplayer --archive АДРЕС [--user ИМЯ] [--limit N] [--cacert ФАЙЛ] [ФАЙЛ.mjpg]\n"
           "       mjpgplayer --help | --version\n"
           "Проигрыватель видеофайлов MJPG: просмотр видеофрагментов MJPG вперёд и назад,\n"
           "по кадрам и с увеличением, снимки кадров, сохранение фрагментов и отчёт по кадру.\n"
           "ФАЙЛ.mjpg открывается при запуске. С --archive программа получает видеофрагменты\n"
           "с сервера видеоархива.\n"
           "\n"
           "Параметры:\n" +
           OptionsHelp(kPlayerOptions) +
           "Значение параметра задаётся как \"--имя значение\" или \"--имя=значение\";\n"
           "после \"--\" имя файла может начинаться с \"-\".\n"
           "\n"
           "Переменные окружения:\n"
           "  MJPG_ARCHIVE_PASSWORD  пароль пользователя архива; когда она не задана, а --user\n"
           "                         задан, пароль запрашивается при запуске\n"
           "  DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM  графический дисплей\n"
           "\n"
           "Коды завершения: 0 - программа завершена (в том числе после ошибки, показанной\n"
           "в окне), 1 - нет графического дисплея, 2 - ошибка в командной строке.\n";
}

} // namespace

const std::string& PlayerHelp()
{
    static const std::string text = MakePlayerHelp();
    return text;
}
