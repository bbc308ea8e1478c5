// mjpgtool sign: another signature (a receiving party's stamp, with a note)
// appended to an MP4 export's seal; the earlier ones stay valid.
#include "commandline.h"
#include "commands.h"
#include "signoptions.h"

#include "export/exportmodule.h"
#include "export/onvifmp4.h"

#include <iostream>

int RunSign(const TArguments& cl)
{
    if (cl.Positional.size() != 1)
        throw EUsageError("sign: нужен один файл FILE.mp4");
    const std::string& path = cl.Positional[0];
    if (ExportModule::ContainerForPath(path) != TExportContainer::Mp4)
        throw EUsageError("sign: подписать можно только экспорт MP4 (\"" + path + "\")");
    if (!cl.Has("sign-key") || !cl.Has("sign-cert"))
        throw EUsageError("sign: нужны --sign-key и --sign-cert");
    std::shared_ptr<const TSigningKey> key;
    try {
        key = LoadSigningOptions(cl);
        CounterSignMp4(path, *key, cl.Value("note").value_or(""));
    } catch (const ESigningError& e) {
        return ReportSigningError(e, "\"" + path + "\" не изменён");
    } catch (const EError& e) {
        std::cerr << "mjpgtool: " << e.what() << "; \"" << path << "\" не изменён\n";
        return esIOError;
    }
    std::cout << "Подпись добавлена в \"" << path << "\"\n";
    return esOk;
}
