#include "helptext.h"

#include "commands.h"

namespace {

const char* const kTail =
    "  mjpgtool --help | --version\n"
    "      эта справка; версия программы\n"
    "\n"
    "АДРЕС сервера архива: ХОСТ[:ПОРТ] или http://ХОСТ[:ПОРТ] (HTTP, порт 80),\n"
    "https://ХОСТ[:ПОРТ] (тот же протокол внутри TLS, порт 443; сертификат\n"
    "сервера проверяется всегда); адрес IPv6 - в квадратных скобках.\n"
    "Пароль берётся из переменной окружения MJPG_ARCHIVE_PASSWORD.\n"
    "Значение параметра задаётся как \"--имя значение\" или \"--имя=значение\";\n"
    "\"--\" заканчивает параметры.\n"
    "\n"
    "Пароль ключа подписи берётся из переменной окружения MJPG_SIGN_PASSPHRASE.\n"
    "\n"
    "Коды завершения: 0 - успех, 1 - недействительный фрагмент или не JPEG,\n"
    "ключ или сертификат, которыми нельзя подписать; verify: подпись или\n"
    "контрольная сумма не совпадает (названо, какая);\n"
    "2 - ошибка в командной строке, 3 - ошибка ввода-вывода;\n"
    "4 - verify: всё совпадает, но цепочка доверия не подтверждена;\n"
    "archive: 10 - ответ 400, 11 - 401, 12 - 404, 13 - 408, 14 - 500,\n"
    "15 - другой ответ сервера, 16 - сервер недоступен или передача прервалась,\n"
    "17 - запрос не отправлен, 18 - защищённое соединение (TLS) не установлено\n"
    "или сертификат сервера не прошёл проверку;\n"
    "130 - прервано (Ctrl+C).\n";

std::string Indented(const std::string& margin, const char* lines)
{
    std::string text = margin;
    for (const char* c = lines; *c; ++c) {
        text += *c;
        if (*c == '\n')
            text += margin;
    }
    return text + "\n";
}

std::string MakeUsageText()
{
    std::string text = "Использование:\n";
    for (const TCommand& command : kCommands) {
        text += std::string("  mjpgtool ") + command.Name + " " + command.Synopsis + "\n";
        text += Indented("      ", command.Description);
        text += OptionsHelp(command.Options, 6);
    }
    return text + kTail;
}

} // namespace

const std::string& UsageText()
{
    static const std::string text = MakeUsageText();
    return text;
}
