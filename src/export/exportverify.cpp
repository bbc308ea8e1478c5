#include "exportverify.h"

#include "exportsigning.h"
#include "onvifmp4.h"
#include "videoexport.h"

#include "core/sha256.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

class EVerifyIO : public EError {
public:
    using EError::EError;
};

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw EVerifyIO("Не могу открыть файл " + Quoted(path) + ". " + std::strerror(errno));
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw EVerifyIO("Ошибка чтения файла " + Quoted(path));
    return text.str();
}

// The pictures of the export's video track, in order, as SHA-256 digests.
std::vector<std::string> PacketDigests(const std::string& path, std::string& problem)
{
    std::vector<std::string> digests;
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0) {
        problem = "файл не читается как видео";
        return digests;
    }
    if (avformat_find_stream_info(context, nullptr) < 0) {
        problem = "файл не читается как видео";
        avformat_close_input(&context);
        return digests;
    }
    const int video = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0)
        problem = "в файле нет видео";
    AVPacket* packet = av_packet_alloc();
    int read = 0;
    while (video >= 0 && packet && (read = av_read_frame(context, packet)) >= 0) {
        if (packet->stream_index == video && packet->size > 0)
            digests.push_back(Sha256Hex(packet->data, static_cast<size_t>(packet->size)));
        av_packet_unref(packet);
    }
    if (video >= 0 && read != AVERROR_EOF && problem.empty())
        problem = "файл прочитан не до конца";
    av_packet_free(&packet);
    avformat_close_input(&context);
    return digests;
}

struct TManifest {
    std::string ExportDigest; // for the export's own name
    std::vector<std::pair<std::string, std::string>> Frames; // index, digest
};

// The manifest's lines: "DIGEST  NAME" (escaped with a leading backslash
// when the name holds one or a line feed) and "# frame N DIGEST ...".
TManifest ParseManifest(const std::string& text, const std::string& exportName)
{
    TManifest manifest;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("# frame ", 0) == 0) {
            std::istringstream words(line.substr(8));
            std::string index, digest;
            words >> index >> digest;
            manifest.Frames.emplace_back(index, digest);
            continue;
        }
        if (line.empty() || line[0] == '#')
            continue;
        bool escaped = line[0] == '\\';
        if (escaped)
            line.erase(0, 1);
        if (line.size() < 66 || line.compare(64, 2, "  ") != 0)
            continue;
        std::string name = line.substr(66);
        if (escaped) {
            std::string plain;
            for (size_t i = 0; i < name.size(); ++i) {
                if (name[i] == '\\' && i + 1 < name.size()) {
                    plain += name[i + 1] == 'n' ? '\n' : name[i + 1];
                    ++i;
                } else {
                    plain += name[i];
                }
            }
            name = plain;
        }
        if (name == exportName && manifest.ExportDigest.empty())
            manifest.ExportDigest = line.substr(0, 64);
    }
    return manifest;
}

bool Exists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

class TReport {
public:
    void Add(const std::string& text, bool holds)
    {
        FReport.Lines.push_back({text, holds});
        if (!holds)
            FMismatch = true;
    }
    void Untrusted() { FUntrusted = true; }
    TVerifyReport Finish()
    {
        FReport.Status = FMismatch ? TVerifyStatus::Mismatch
                         : FUntrusted ? TVerifyStatus::Untrusted
                                      : TVerifyStatus::Holds;
        return FReport;
    }

private:
    TVerifyReport FReport;
    bool FMismatch = false;
    bool FUntrusted = false;
};

// "subject; отпечаток SHA-256 ...; сертификат действителен с ... по ...;"
// then the result and whether the chain is trusted.
void AddSignatureLine(TReport& report, const std::string& what, const std::string& certDer, bool matches,
                      const std::string& mismatch, const std::string& caFile)
{
    const TCertificateInfo info = DescribeCertificate(certDer);
    std::string text = what + ": " + info.Subject + "; отпечаток SHA-256 " + info.Fingerprint +
                       "; сертификат действителен " + info.Validity + (info.Expired ? " (срок истёк)" : "") + "; ";
    if (!matches) {
        report.Add(text + "НЕ СОВПАДАЕТ: " + mismatch, false);
        return;
    }
    std::string reason;
    if (CertificateTrusted(certDer, caFile, reason)) {
        report.Add(text + "верна, цепочка доверия проверена", true);
    } else {
        report.Add(text + "верна, но цепочка доверия не подтверждена (" + reason + ")", true);
        report.Untrusted();
    }
}

} // namespace

TVerifyReport VerifyExport(const std::string& path, const std::string& caFile)
{
    TReport report;
    const std::string name = fs::path(path).filename().string();
    try {
        if (!caFile.empty())
            ReadText(caFile); // an unreadable CA file is an I/O error before any check
        {
            std::ifstream probe(path, std::ios::binary);
            if (!probe)
                throw EVerifyIO("Не могу открыть файл " + Quoted(path) + ". " + std::strerror(errno));
        }
        bool checked = false;
        std::vector<std::string> earlier; // the file's digests before later signings
        bool signedAtAll = false;
        if (ContainerForPath(path) == TExportContainer::Mp4) {
            const TSealReport seals = ReadSeals(path);
            earlier = seals.EarlierFileDigests;
            if (!seals.HasMeta || !seals.Readable) {
                report.Add("Файл " + Quoted(name) + ": " + seals.Problem, false);
            } else if (seals.Seals.empty()) {
                report.Add("Подпись MP4 " + Quoted(name) + ": нет", true);
            }
            for (size_t i = 0; i < seals.Seals.size(); ++i) {
                const TSealEntry& seal = seals.Seals[i];
                std::string what = "Подпись MP4 " + std::to_string(i + 1) + " из " + std::to_string(seals.Seals.size());
                if (!seal.Note.empty())
                    what += " (" + seal.Note + ")";
                AddSignatureLine(report, what, seal.CertificateDer,
                                 VerifyDigestSignature(seal.CertificateDer, seal.Digest, seal.Signature),
                                 "файл изменён после подписи", caFile);
                checked = signedAtAll = true;
            }
        }
        const std::string manifestPath = ManifestPathFor(path);
        if (Exists(manifestPath)) {
            checked = true;
            const std::string text = ReadText(manifestPath);
            const std::string manifestName = fs::path(manifestPath).filename().string();
            const std::string signaturePath = SignaturePathFor(path);
            if (Exists(signaturePath)) {
                signedAtAll = true;
                const TCmsCheck cms = CheckDetachedCms(ReadText(signaturePath), text);
                if (!cms.Readable)
                    report.Add("Подпись манифеста " + Quoted(manifestName) + ": файл " +
                                   Quoted(fs::path(signaturePath).filename().string()) + " не является подписью CMS",
                               false);
                else
                    AddSignatureLine(report, "Подпись манифеста " + Quoted(manifestName), cms.SignerDer, cms.Matches,
                                     "манифест изменён после подписи", caFile);
            } else {
                report.Add("Подпись манифеста " + Quoted(manifestName) + ": нет", true);
            }
            const TManifest manifest = ParseManifest(text, name);
            if (manifest.ExportDigest.empty()) {
                report.Add("Контрольная сумма " + Quoted(name) + ": в манифесте её нет", false);
            } else {
                if (Sha256HexOfFile(path) == manifest.ExportDigest)
                    report.Add("Контрольная сумма " + Quoted(name) + ": совпадает", true);
                else if (std::find(earlier.begin(), earlier.end(), manifest.ExportDigest) != earlier.end())
                    report.Add("Контрольная сумма " + Quoted(name) + ": совпадает для файла без более поздних подписей",
                               true);
                else
                    report.Add("Контрольная сумма " + Quoted(name) + ": НЕ СОВПАДАЕТ", false);
            }
            std::string problem;
            const std::vector<std::string> packets = PacketDigests(path, problem);
            if (!problem.empty())
                report.Add("Кадры: " + problem, false);
            size_t wrong = 0;
            for (size_t k = 0; k < manifest.Frames.size() && k < packets.size(); ++k)
                if (packets[k] != manifest.Frames[k].second) {
                    report.Add("Кадр " + manifest.Frames[k].first + ": контрольная сумма НЕ СОВПАДАЕТ", false);
                    ++wrong;
                }
            if (packets.size() != manifest.Frames.size())
                report.Add("Кадры: в манифесте " + std::to_string(manifest.Frames.size()) + ", в файле " +
                               std::to_string(packets.size()),
                           false);
            else if (wrong == 0)
                report.Add("Кадры: контрольные суммы всех " + std::to_string(packets.size()) + " совпадают", true);
        }
        if (!checked)
            report.Add("Нечего проверять: у " + Quoted(name) + " нет ни подписи, ни файла " +
                           Quoted(fs::path(manifestPath).filename().string()),
                       false);
        else if (!signedAtAll)
            report.Untrusted();
    } catch (const EError& e) {
        // The export, a file beside it or the CA file cannot be read.
        TVerifyReport failed = report.Finish();
        failed.Lines.push_back({e.what(), false});
        failed.Status = TVerifyStatus::IOError;
        return failed;
    }
    return report.Finish();
}
