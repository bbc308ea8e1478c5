// mjpgtool: a command-line companion of the MJPG player. Dispatches to the
// commands and turns their errors into exit statuses and messages.
#include "commandline.h"
#include "commands.h"

#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <new>

namespace {

struct TCommand {
    const char* Name;
    int (*Run)(const TArguments&);
};

constexpr TCommand kCommands[] = {
    {"info", RunInfo},
    {"extract", RunExtract},
    {"pack", RunPack},
    {"rewrite", RunRewrite},
    {"archive", RunArchive},
};

const char* const kUsage =
    "Использование:\n"
    "  mjpgtool info [--json] FILE\n"
    "      заголовок и список кадров фрагмента (--json: один объект JSON)\n"
    "  mjpgtool extract FILE DIR\n"
    "      каждый кадр с данными в DIR/NNNNNN.jpg (NNNNNN - номер кадра)\n"
    "  mjpgtool pack [параметры] OUT JPEG...\n"
    "      фрагмент из файлов JPEG; ширина и высота берутся из первого файла\n"
    "      --camera ТЕКСТ    имя камеры\n"
    "      --event ДАТА      время события   (дд.мм.гггг чч:мм:сс)\n"
    "      --begin ДАТА      начало записи   (дд.мм.гггг чч:мм:сс)\n"
    "      --end ДАТА        конец записи    (дд.мм.гггг чч:мм:сс)\n"
    "      --fps N           кадров в секунду (по умолчанию 25)\n"
    "      --pre             запись до тревоги (по умолчанию после)\n"
    "      --boundary СЛОВО  граница частей (по умолчанию mjpgboundary)\n"
    "  mjpgtool rewrite IN OUT\n"
    "      загрузить фрагмент и сохранить его заново\n"
    "  mjpgtool archive list [https://]СЕРВЕР[:ПОРТ] [параметры]\n"
    "      фрагменты архива за интервал, по строке на фрагмент (поля через табуляцию:\n"
    "      серийный номер, номер, событие, камера, начало, конец, разрешение, FPS,\n"
    "      кадров, pre/post)\n"
    "      --begin ДАТА      начало интервала (дд.мм.гггг чч:мм:сс)\n"
    "      --end ДАТА        конец интервала  (дд.мм.гггг чч:мм:сс)\n"
    "      --sn N            только фрагменты с этим серийным номером\n"
    "      --user ИМЯ        имя пользователя сервера\n"
    "      --json            массив объектов JSON\n"
    "      --cacert ФАЙЛ     с адресом https://: свой центр сертификации (PEM)\n"
    "                        в дополнение к системным\n"
    "  mjpgtool archive fetch [https://]СЕРВЕР[:ПОРТ] SN НОМЕР OUT [--user ИМЯ] [--cacert ФАЙЛ]\n"
    "      видео фрагмента в файл OUT, байт в байт как его прислал сервер\n"
    "      Пароль берётся из переменной окружения MJPG_ARCHIVE_PASSWORD.\n"
    "      Адрес https:// - тот же протокол по TLS (порт 443, если не указан);\n"
    "      сертификат сервера проверяется всегда.\n"
    "\n"
    "Коды завершения: 0 - успех, 1 - недействительный фрагмент или не JPEG,\n"
    "2 - ошибка в командной строке, 3 - ошибка ввода-вывода;\n"
    "archive: 10 - ответ 400, 11 - 401, 12 - 404, 13 - 408, 14 - 500,\n"
    "15 - другой ответ сервера, 16 - сервер недоступен или передача прервалась,\n"
    "17 - запрос не отправлен, 18 - защищённое соединение не установлено (сертификат\n"
    "сервера не прошёл проверку или TLS не работает), 130 - прервано (Ctrl+C).\n";

int Dispatch(int argc, char** argv)
{
    if (argc < 2)
        throw EUsageError("не указана команда");
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        std::cout << kUsage;
        return esOk;
    }
    const TArguments args(argv + 2, argv + argc);
    for (const TCommand& command : kCommands)
        if (name == command.Name)
            return command.Run(args);
    throw EUsageError("неизвестная команда \"" + name + "\"");
}

int Fail(int status, const char* message)
{
    std::cout.flush();
    std::cerr << "mjpgtool: " << message << '\n';
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    int status;
    try {
        status = Dispatch(argc, argv);
    } catch (const EUsageError& e) {
        std::cerr << "mjpgtool: " << e.what() << "\n\n" << kUsage;
        return esUsage;
    } catch (const EStreamError& e) {
        return Fail(esIOError, e.what());
    } catch (const std::filesystem::filesystem_error& e) {
        return Fail(esIOError, e.what());
    } catch (const std::bad_alloc&) {
        return Fail(esIOError, "недостаточно памяти");
    } catch (const std::exception& e) {
        return Fail(esIOError, e.what());
    }
    // Output that never reached its file (a full disk, a closed pipe) is an
    // I/O error too, not a success.
    std::cout.flush();
    if (!std::cout)
        return Fail(esIOError, "ошибка записи в стандартный вывод");
    return status;
}
