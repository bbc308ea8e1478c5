// Every mjpgtool command with its options: the table main dispatches by and
// "mjpgtool --help" is written from.
#include "commands.h"

#include <limits>

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

constexpr TOption kInfoOptions[] = {
    {.Name = "json", .Help = "один объект JSON"},
};

constexpr TOption kPackOptions[] = {
    {.Name = "camera", .Value = "ТЕКСТ", .Help = "имя камеры"},
    {.Name = "event", .Value = "ДАТА", .Help = "время события   (дд.мм.гггг чч:мм:сс)"},
    {.Name = "begin", .Value = "ДАТА", .Help = "начало записи   (дд.мм.гггг чч:мм:сс)"},
    {.Name = "end", .Value = "ДАТА", .Help = "конец записи    (дд.мм.гггг чч:мм:сс)"},
    {.Name = "fps", .Value = "N", .Help = "кадров в секунду (по умолчанию 25)", .Number = true, .Lowest = 1},
    {.Name = "pre", .Help = "запись до тревоги (по умолчанию после)"},
    {.Name = "boundary", .Value = "СЛОВО", .Help = "граница частей (по умолчанию mjpgboundary)"},
};

constexpr TOption kExportOptions[] = {
    {.Name = "from", .Value = "N", .Help = "первый кадр (по умолчанию 0)", .Number = true,
     .Invalid = "неверный номер кадра"},
    {.Name = "to", .Value = "M", .Help = "последний кадр включительно (по умолчанию последний)", .Number = true,
     .Invalid = "неверный номер кадра"},
    {.Name = "manifest",
     .Help = "рядом записать OUT.sha256: SHA-256 видео, исходного\n"
             "фрагмента и каждого кадра (проверка: sha256sum -c)"},
    {.Name = "utc-offset", .Value = "±ЧЧ:ММ",
     .Help = "смещение часов регистратора от UTC (например +03:00):\n"
             "время в UTC в метаданных; без него время записи -\n"
             "местное время регистратора, и видео так и помечено"},
    {.Name = "operator", .Value = "ИМЯ", .Help = "оператор в блоке suep файла MP4 (по умолчанию имя\nпользователя)"},
    {.Name = "sign-key", .Value = "KEY.pem",
     .Help = "закрытый ключ RSA (не короче 2048 бит) для подписи;\n"
             "пароль ключа - в MJPG_SIGN_PASSPHRASE"},
    {.Name = "sign-cert", .Value = "CERT.pem",
     .Help = "его сертификат X.509; подписывается файл MP4\n"
             "(RSASSA-PSS в блоке sibo) и манифест (OUT.sha256.p7s, CMS)"},
};

constexpr TOption kSignOptions[] = {
    {.Name = "sign-key", .Value = "KEY.pem", .Help = "закрытый ключ RSA, как у export"},
    {.Name = "sign-cert", .Value = "CERT.pem", .Help = "его сертификат X.509"},
    {.Name = "note", .Value = "ТЕКСТ", .Help = "примечание к подписи (блок auib)"},
};

constexpr TOption kVerifyOptions[] = {
    {.Name = "cafile", .Value = "CA.pem", .Help = "доверенные удостоверяющие центры (по умолчанию\nсистемные)"},
};

constexpr TOption kArchiveListOptions[] = {
    {.Name = "begin", .Value = "ДАТА", .Help = "начало интервала (дд.мм.гггг чч:мм:сс)"},
    {.Name = "end", .Value = "ДАТА", .Help = "конец интервала  (дд.мм.гггг чч:мм:сс)"},
    {.Name = "sn", .Value = "N", .Help = "только фрагменты с этим серийным номером", .Number = true,
     .Highest = kInt32Max, .Invalid = "неверный серийный номер"},
    {.Name = "user", .Value = "ИМЯ", .Help = "имя пользователя сервера"},
    {.Name = "cacert", .Value = "ФАЙЛ", .Help = "ещё один удостоверяющий центр (PEM) для https://"},
    {.Name = "json", .Help = "массив объектов JSON"},
};

constexpr TOption kArchiveFetchOptions[] = {
    {.Name = "user", .Value = "ИМЯ", .Help = "имя пользователя сервера"},
    {.Name = "cacert", .Value = "ФАЙЛ", .Help = "ещё один удостоверяющий центр (PEM) для https://"},
};

constexpr TOption kThumbnailOptions[] = {
    {.Name = "size", .Value = "N", .Help = "наибольшая сторона картинки в пикселях (по умолчанию 256)", .Short = 's',
     .Number = true, .Lowest = 1, .Highest = 4096, .Invalid = "неверный размер"},
};

constexpr TCommand kCommandTable[] = {
    {"info", "[--json] FILE", "заголовок и список кадров фрагмента", kInfoOptions, RunInfo},
    {"extract", "FILE DIR", "каждый кадр с данными в DIR/NNNNNN.jpg (NNNNNN - номер кадра)", {}, RunExtract},
    {"pack", "[параметры] OUT JPEG...", "фрагмент из файлов JPEG; ширина и высота берутся из первого файла",
     kPackOptions, RunPack},
    {"rewrite", "IN OUT", "загрузить фрагмент и сохранить его заново", {}, RunRewrite},
    {"export",
     "IN OUT.mkv|OUT.avi|OUT.mp4 [--from N] [--to M] [--manifest] [--utc-offset ±ЧЧ:ММ]\n"
     "                  [--operator ИМЯ] [--sign-key KEY.pem --sign-cert CERT.pem]",
     "кадры фрагмента без перекодирования, байт в байт, в видео Matroska,\n"
     "AVI или MP4 в формате экспорта ONVIF (по расширению OUT)",
     kExportOptions, RunExport},
    {"sign", "FILE.mp4 --sign-key KEY.pem --sign-cert CERT.pem [--note ТЕКСТ]",
     "ещё одна подпись экспорта MP4 (с примечанием ТЕКСТ); прежние остаются\n"
     "верными",
     kSignOptions, RunSign},
    {"verify", "FILE [--cafile CA.pem]",
     "проверить подписи экспорта, его контрольную сумму и контрольные суммы\n"
     "кадров по манифесту FILE.sha256; строка на каждую проверку",
     kVerifyOptions, RunVerify},
    {"thumbnail", "IN OUT.png [--size N]",
     "первое изображение фрагмента в файл PNG, не больше N пикселей по большей\n"
     "стороне: эскиз для файловых менеджеров",
     kThumbnailOptions, RunThumbnail},
    {"archive list", "АДРЕС [параметры]",
     "фрагменты архива за интервал, по строке на фрагмент (поля через табуляцию:\n"
     "серийный номер, номер, событие, камера, начало, конец, разрешение, FPS,\n"
     "кадров, pre/post)",
     kArchiveListOptions, RunArchiveList},
    {"archive fetch", "АДРЕС SN НОМЕР OUT [--user ИМЯ] [--cacert ФАЙЛ]",
     "видео фрагмента в файл OUT, байт в байт как его прислал сервер", kArchiveFetchOptions, RunArchiveFetch},
};

} // namespace

const std::span<const TCommand> kCommands = kCommandTable;
