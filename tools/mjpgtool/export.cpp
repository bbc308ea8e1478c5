// mjpgtool export: a fragment (or frames of it) copied into Matroska, AVI or
// an ONVIF MP4 without touching a byte of any picture, with a manifest when
// asked, signed when a key is given; the recorder's UTC offset, when given,
// turns its local times into UTC.
#include "archiverequest.h"
#include "commandline.h"
#include "commands.h"
#include "fragmentfiles.h"
#include "signoptions.h"

#include "export/exportmodule.h"

#include <iostream>

int RunExport(const TArguments& cl)
{
    if (cl.Positional.size() != 2)
        throw EUsageError("export: нужны файл фрагмента и файл OUT.mkv, OUT.avi или OUT.mp4");
    const std::string& in = cl.Positional[0];
    const std::string& out = cl.Positional[1];
    const auto container = ExportModule::ContainerForPath(out);
    if (!container)
        throw EUsageError("export: формат \"" + out + "\" не известен (нужно расширение .mkv, .avi или .mp4)");

    TExportOptions options;
    options.Container = *container;
    options.From = static_cast<int32_t>(cl.Number("from").value_or(0));
    options.To = static_cast<int32_t>(cl.Number("to").value_or(-1));
    options.Manifest = cl.Has("manifest");
    options.SourcePath = in;
    if (const auto offset = cl.Value("utc-offset")) {
        options.Zone.UtcOffsetMinutes = ParseUtcOffset(*offset);
        if (!options.Zone.UtcOffsetMinutes)
            throw EUsageError("неверное смещение --utc-offset \"" + *offset + "\" (нужно ±ЧЧ:ММ, например +03:00)");
        options.Zone.Source = "--utc-offset";
    }
    options.Operator = cl.Value("operator").value_or(ExportModule::LoginName());
    if ((cl.Has("sign-key") || cl.Has("sign-cert")) && *container != TExportContainer::Mp4 && !options.Manifest)
        throw EUsageError("export: для .mkv и .avi подписывается манифест: нужен --manifest");
    // The key is checked before anything is read or written.
    try {
        options.Signer = LoadSigningOptions(cl);
    } catch (const ESigningError& e) {
        return ReportSigningError(e, "\"" + out + "\" не создан");
    }

    const auto image = LoadFragmentFile(in);
    if (!image->Header->IsValid()) {
        std::cerr << "mjpgtool: \"" << in << "\" не является фрагментом MJPG; \"" << out << "\" не создан\n";
        return esInvalid;
    }
    const int32_t last = image->FrameCount() - 1;
    const int32_t to = options.To < 0 ? last : options.To;
    if (last >= 0 && (options.From > last || to > last || options.From > to))
        throw EUsageError("export: кадры " + std::to_string(options.From) + ".." + std::to_string(to) +
                          " вне фрагмента \"" + in + "\" (кадры 0.." + std::to_string(last) + ")");
    try {
        ExportModule::CheckExportRange(*image, options.From, to);
    } catch (const EExportInputError& e) {
        std::cerr << "mjpgtool: \"" << in << "\": " << e.what() << "; \"" << out << "\" не создан\n";
        return esInvalid;
    }

    // Ctrl+C ends the export between two frames; its files are removed.
    TInterruptWatch watch([] {});
    options.Progress = [](int32_t, int32_t) { return !Interrupted(); };
    try {
        const TExportResult result = ExportModule::ExportFragment(*image, out, options);
        std::cout << "Экспортировано кадров с данными: " << result.Packets << " (кадры " << options.From << ".." << to
                  << ") в \"" << out << "\"";
        if (!result.ManifestPath.empty())
            std::cout << ", контрольные суммы в \"" << result.ManifestPath << "\"";
        if (!result.SignaturePath.empty())
            std::cout << ", их подпись в \"" << result.SignaturePath << "\"";
        std::cout << "\n";
    } catch (const EExportCancelled&) {
        std::cerr << "mjpgtool: прервано; \"" << out << "\" не создан\n";
        return esInterrupted;
    } catch (const EExportError& e) {
        std::cerr << "mjpgtool: " << e.what() << "\n";
        return esIOError;
    }
    return esOk;
}
