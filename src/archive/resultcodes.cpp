#include "resultcodes.h"

const char* const kVideoRequestFailed = "Не могу загрузить видеофрагмент!";
const char* const kListRequestFailed = "Не могу загрузить список видеофрагментов!";

namespace {

struct TRow {
    int Code;
    const char* Text;
    TResultIcon Icon;
};

const TRow kRows[] = {
    {400, "Неверный синтаксис запроса или некорректные значения параметров.", TResultIcon::Error},
    {401, "Требуется аутентификация пользователя или указаны неверные имя пользователя/пароль.", TResultIcon::Error},
    {404, "Ничего не найдено по запросу.", TResultIcon::Information},
    {408, "Таймаут при выполнении запроса.", TResultIcon::Error},
    {500, "Серверу не удалось выполнить запрос.", TResultIcon::Error},
    {rrNoResources, "Недостаточно ресурсов системы (памяти или потоков) для запроса.", TResultIcon::Error},
    {rrNoHttpLibrary, "Не загружается библиотека libcurl, через которую программа обращается к серверу.",
     TResultIcon::Error},
    {rrTlsUnknownAuthority, "Сертификат сервера выдан неизвестным центром сертификации.", TResultIcon::Error},
    {rrTlsWrongName, "Сертификат сервера выдан на другое имя.", TResultIcon::Error},
    {rrTlsExpired, "Срок действия сертификата сервера истёк или ещё не начался.", TResultIcon::Error},
    {rrTlsBadCertificate, "Сертификат сервера не прошёл проверку.", TResultIcon::Error},
    {rrTlsHandshake, "Не удалось установить защищённое соединение с сервером.", TResultIcon::Error},
    {rrTlsAuthorityFile, "Не удалось прочитать сертификаты центров сертификации.", TResultIcon::Error},
};

const char* const kOtherResult = "Сервер недоступен.";

} // namespace

bool IsTlsResult(int code)
{
    return code <= rrTlsUnknownAuthority && code >= rrTlsAuthorityFile;
}

std::optional<TResultMessage> ResultRow(int code)
{
    if (code == rrNoRequest || code == rrRequestFailed || code == rrFragmentLimit)
        return std::nullopt;
    for (const TRow& row : kRows)
        if (row.Code == code)
            return TResultMessage{row.Text, row.Icon};
    return TResultMessage{kOtherResult, TResultIcon::Error};
}

TResultMessage FragmentLimitMessage(int limit)
{
    return {"Превышено максимально допустимое число запрашиваемых видеофрагментов!\nБудут загружены первые " +
                std::to_string(limit) + " фрагмент(а/ов).",
            TResultIcon::Warning};
}

std::optional<TResultMessage> RequestErrorMessage(const std::string& firstLine, int code, int fragmentLimit)
{
    if (code == rrFragmentLimit)
        return FragmentLimitMessage(fragmentLimit);
    std::optional<TResultMessage> row = ResultRow(code);
    if (!row)
        return std::nullopt;
    if (!firstLine.empty())
        row->Text = firstLine + "\n" + row->Text;
    return row;
}
