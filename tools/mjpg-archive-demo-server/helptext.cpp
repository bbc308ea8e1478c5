#include "helptext.h"

#include <limits>

namespace {

constexpr TOption kOptionTable[] = {
    {.Name = "host", .Value = "АДРЕС", .Help = "адрес, на котором ждать запросов (по умолчанию 127.0.0.1)"},
    {.Name = "port", .Value = "N", .Help = "порт (по умолчанию 0: свободный; его называет первая строка вывода)",
     .Number = true, .Highest = 65535, .Invalid = "неверный порт"},
    {.Name = "user", .Value = "ИМЯ",
     .Help = "требовать базовую аутентификацию пользователя ИМЯ с паролем\n"
             "из переменной окружения MJPG_ARCHIVE_PASSWORD"},
    {.Name = "log", .Value = "ФАЙЛ",
     .Help = "дописывать журнал запросов в ФАЙЛ (по умолчанию - в стандартный\n"
             "поток ошибок)"},
    {.Name = "tls-cert", .Value = "ФАЙЛ", .Help = "говорить по TLS (https://) с сертификатом сервера из ФАЙЛА (PEM)"},
    {.Name = "tls-key", .Value = "ФАЙЛ", .Help = "закрытый ключ этого сертификата (PEM); задаётся вместе с --tls-cert"},
    {.Name = "help", .Help = "показать эту справку и выйти", .Short = 'h'},
    {.Name = "version", .Help = "показать версию и выйти"},
    {.Name = "delay", .Value = "MS", .Help = "ждать MS миллисекунд перед ответом", .Number = true,
     .Invalid = "неверная задержка", .Heading = "Для тестов:"},
    {.Name = "status", .Value = "N", .Help = "отвечать на каждый запрос с верной аутентификацией кодом N",
     .Number = true, .Lowest = 100, .Highest = 999, .Invalid = "неверный код ответа"},
    {.Name = "stall", .Help = "отправить строку состояния и заголовки, затем молчать до остановки"},
    {.Name = "cut-body", .Value = "N", .Help = "отправить только первые N байт тела ответа и закрыть соединение",
     .Number = true, .Highest = std::numeric_limits<int64_t>::max()},
    {.Name = "list-lines", .Value = "N", .Help = "отвечать на \"list\" N сгенерированными строками", .Number = true,
     .Highest = 1000000},
    {.Name = "list-file", .Value = "ФАЙЛ", .Help = "отвечать на \"list\" байтами ФАЙЛА как они есть"},
    {.Name = "only", .Value = "list|video", .Help = "задержка, код, молчание и обрыв - только для этого запроса"},
};

std::string MakeUsageText()
{
    return "Использование: mjpg-archive-demo-server [параметры] ПАПКА\n"
           "       mjpg-archive-demo-server --help | --version\n"
           "Отдаёт файлы *.mjpg ПАПКИ как сервер видеоархива (файл \"SN-НОМЕР.mjpg\" получает\n"
           "серийный номер SN и номер фрагмента НОМЕР, другие - серийный номер 0):\n"
           "  GET /list[?begin=ГГГГММДДЧЧММСС&end=...&sn=N]   по строке на фрагмент\n"
           "  GET /video?sn=N&issue=M                         байты фрагмента\n"
           "Параметры:\n" +
           OptionsHelp(kOptionTable) +
           "Значение параметра задаётся как \"--имя значение\" или \"--имя=значение\".\n"
           "Каждая строка запроса и её заголовок Authorization пишутся в журнал. SIGINT и\n"
           "SIGTERM завершают сервер.\n"
           "\n"
           "Коды завершения: 0 - сервер остановлен сигналом, 1 - не удалось начать работу\n"
           "(например, порт занят), 2 - ошибка в командной строке, 3 - журнал не открывается\n"
           "на запись.\n";
}

} // namespace

const TOptions kOptions = kOptionTable;

const std::string& UsageText()
{
    static const std::string text = MakeUsageText();
    return text;
}
