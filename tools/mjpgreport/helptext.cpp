#include "helptext.h"

namespace {

constexpr TOption kOptionTable[] = {
    {.Name = "frame", .Value = "N", .Help = "номер кадра, с 0", .Number = true, .Invalid = "неверный номер кадра"},
    {.Name = "pdf", .Value = "ВЫХОД", .Help = "записать отчёт в файл PDF"},
    {.Name = "html", .Value = "ВЫХОД", .Help = "записать отчёт в файл HTML"},
    {.Name = "rtf", .Value = "ВЫХОД", .Help = "записать отчёт в файл RTF"},
    {.Name = "help", .Help = "показать эту справку и выйти"},
    {.Name = "version", .Help = "показать версию и выйти"},
};

std::string MakeHelpText()
{
    return "Использование: mjpgreport ФАЙЛ --frame N --pdf|--html|--rtf ВЫХОД\n"
           "       mjpgreport --help | --version\n"
           "Записывает отчёт по кадру N видеофрагмента MJPG в PDF, HTML или RTF без окна,\n"
           "тем же шаблоном, что и команда \"Печать\" проигрывателя.\n"
           "\n"
           "Параметры:\n" +
           OptionsHelp(kOptionTable) +
           "\n"
           "Без графического дисплея (DISPLAY, WAYLAND_DISPLAY и QT_QPA_PLATFORM не заданы)\n"
           "программа работает с QT_QPA_PLATFORM=offscreen.\n"
           "\n"
           "Коды завершения: 0 - отчёт записан, 1 - файл не является фрагментом, в нём нет\n"
           "такого кадра или отчёт не записан, 2 - ошибка в командной строке.\n";
}

} // namespace

const TOptions kOptions = kOptionTable;

const std::string& HelpText()
{
    static const std::string text = MakeHelpText();
    return text;
}
