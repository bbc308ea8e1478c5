#include "onvifmp4.h"

#include "exporttime.h"
#include "isobmff.h"

#include "core/replacingfile.h"
#include "core/streams.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

// One signing: its scheme and the signature bytes (zero until signed), the
// certificate and the note.
std::string SealEntryBox(const TSigningKey& key, const std::string& note, size_t& signatureOffset)
{
    TBoxWriter scheme;
    scheme.FourCC("oeff");
    scheme.U32(0x00010000);
    const std::string schm = FullBox("schm", 0, 0, scheme.Data());
    const std::string sibo = Box("sibo", std::string(key.SignatureSize(), '\0'));
    std::string schiPayload = sibo + Box("cert", key.CertificateDer());
    if (!note.empty()) {
        TBoxWriter text;
        text.String(note);
        schiPayload += Box("auib", text.Data());
    }
    // sinf header, schm, schi header, sibo header
    signatureOffset = 8 + schm.size() + 8 + 8;
    return Box("sinf", schm + Box("schi", schiPayload));
}

class TFile {
public:
    TFile(const std::string& path, int flags) : FPath(path)
    {
        FHandle = ::open(path.c_str(), flags | O_CLOEXEC);
        if (FHandle < 0)
            throw EError("Не могу открыть файл " + Quoted(path) + ". " + SystemErrorText(errno));
    }
    ~TFile()
    {
        if (FHandle >= 0)
            ::close(FHandle);
    }
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;
    int Handle() const { return FHandle; }
    uint64_t Size() const
    {
        struct stat st {};
        if (::fstat(FHandle, &st) != 0)
            throw EError("Ошибка чтения файла " + Quoted(FPath) + ". " + SystemErrorText(errno));
        return static_cast<uint64_t>(st.st_size);
    }
    std::string Read(uint64_t at, uint64_t size) const
    {
        std::string bytes(size, '\0');
        uint64_t done = 0;
        while (done < size) {
            const ssize_t got = ::pread(FHandle, bytes.data() + done, size - done, static_cast<off_t>(at + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                throw EError("Ошибка чтения файла " + Quoted(FPath) + ". " +
                             (got < 0 ? SystemErrorText(errno) : std::string("Файл короче, чем ожидалось")));
            done += static_cast<uint64_t>(got);
        }
        return bytes;
    }
    // Every byte from `at` to the end, piece by piece.
    void ReadTail(uint64_t at, const std::function<void(const char*, size_t)>& take) const
    {
        std::vector<char> buffer(1 << 20);
        for (;;) {
            const ssize_t got = ::pread(FHandle, buffer.data(), buffer.size(), static_cast<off_t>(at));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                throw EError("Ошибка чтения файла " + Quoted(FPath) + ". " + SystemErrorText(errno));
            if (got == 0)
                return;
            take(buffer.data(), static_cast<size_t>(got));
            at += static_cast<uint64_t>(got);
        }
    }

private:
    std::string FPath;
    int FHandle = -1;
};

// The file-level meta of an export and the seal in it, as places in the
// meta box's own bytes.
struct TMetaLayout {
    TBoxPlace Meta;          // in the file
    std::string Bytes;       // the whole meta box
    std::optional<TBoxPlace> Ipro;
    struct TSinf {
        TBoxPlace Box;
        TBoxPlace Sibo;
        std::string Cert;
        std::string Note;
    };
    std::vector<TSinf> Seals;
};

constexpr uint64_t kMetaLimit = 64 << 20;

// Reads ftyp + meta; none when the file has no meta right after ftyp.
std::optional<TMetaLayout> ReadMetaLayout(const TFile& file, const std::vector<TBoxPlace>& boxes,
                                          std::string& problem)
{
    if (boxes.size() < 2 || boxes[0].Type != "ftyp" || boxes[1].Type != "meta") {
        problem = "нет блока meta после ftyp";
        return std::nullopt;
    }
    TMetaLayout layout;
    layout.Meta = boxes[1];
    if (layout.Meta.Header != 8 || layout.Meta.Size > kMetaLimit || layout.Meta.Size < 12) {
        problem = "блок meta неверного размера";
        return std::nullopt;
    }
    layout.Bytes = file.Read(layout.Meta.Offset, layout.Meta.Size);
    bool whole = true;
    const auto children = ChildBoxes(layout.Bytes, 12, layout.Bytes.size(), &whole);
    layout.Ipro = FindBox(children, "ipro");
    if (!whole) {
        problem = "блоки внутри meta повреждены";
        return std::nullopt;
    }
    if (!layout.Ipro)
        return layout;
    if (layout.Ipro->Header != 8 || layout.Ipro->Size < 14) {
        problem = "блок ipro повреждён";
        return std::nullopt;
    }
    for (const TBoxPlace& sinf : ChildBoxes(layout.Bytes, layout.Ipro->Offset + 14, layout.Ipro->End(), &whole)) {
        if (sinf.Type != "sinf")
            continue;
        const auto parts = ChildBoxes(layout.Bytes, sinf.PayloadOffset(), sinf.End());
        const auto schm = FindBox(parts, "schm");
        const auto schi = FindBox(parts, "schi");
        if (!schm || schm->Size < 20 || layout.Bytes.compare(schm->Offset + 12, 4, "oeff") != 0 || !schi)
            continue; // another scheme's protection
        const auto info = ChildBoxes(layout.Bytes, schi->PayloadOffset(), schi->End());
        const auto sibo = FindBox(info, "sibo");
        const auto cert = FindBox(info, "cert");
        const auto auib = FindBox(info, "auib");
        if (!sibo || !cert) {
            problem = "в подписи нет блока sibo или cert";
            return std::nullopt;
        }
        TMetaLayout::TSinf seal;
        seal.Box = sinf;
        seal.Sibo = *sibo;
        seal.Cert = layout.Bytes.substr(cert->PayloadOffset(), cert->Size - cert->Header);
        if (auib) {
            seal.Note = layout.Bytes.substr(auib->PayloadOffset(), auib->Size - auib->Header);
            if (!seal.Note.empty() && seal.Note.back() == '\0')
                seal.Note.pop_back();
        }
        layout.Seals.push_back(seal);
    }
    if (!whole) {
        problem = "блоки внутри ipro повреждены";
        return std::nullopt;
    }
    return layout;
}

// The meta box with only the first `kept` signings, ipro and meta the
// shorter by the others.
std::string MetaBefore(const TMetaLayout& layout, size_t kept)
{
    std::string meta = layout.Bytes;
    uint64_t removed = 0;
    for (size_t j = layout.Seals.size(); j-- > kept;) {
        meta.erase(layout.Seals[j].Box.Offset, layout.Seals[j].Box.Size);
        removed += layout.Seals[j].Box.Size;
    }
    WriteU32(meta, layout.Ipro->Offset, static_cast<uint32_t>(layout.Ipro->Size - removed));
    WriteU32(meta, 0, static_cast<uint32_t>(layout.Meta.Size - removed));
    return meta;
}

} // namespace

TOnvifMeta OnvifMetaBox(const TSurveillanceExport& info, const TSigningKey* key)
{
    TBoxWriter handler;
    handler.U32(0);
    handler.FourCC("null");
    handler.Zeros(12);
    handler.String("");

    TBoxWriter unit;
    unit.String(info.UnitName);
    unit.String(""); // URL
    unit.String(""); // MAC
    unit.U64(Iso14496Seconds(info.ExportTime * 1000));
    unit.String(info.Operator);
    unit.U32(1);
    unit.U16(static_cast<uint16_t>(info.TrackId));
    unit.String(info.SourceName);
    unit.String(""); // URL
    unit.String(""); // MAC
    unit.String(""); // line

    std::string payload = FullBox("hdlr", 0, 0, handler.Data()) + FullBox("suep", 1, 0, unit.Data());
    if (info.StartTime) {
        TBoxWriter start;
        start.U32(1);
        start.U32(info.TrackId);
        start.U64(*info.StartTime);
        payload += Box("cstb", start.Data());
    }
    TOnvifMeta meta;
    if (key) {
        size_t inSinf = 0;
        TBoxWriter protection;
        protection.U16(1);
        protection.Bytes(SealEntryBox(*key, "", inSinf));
        // meta header (12), the boxes before, ipro header (12) and its count (2)
        meta.SignatureOffset = 12 + payload.size() + 12 + 2 + inSinf;
        meta.SignatureSize = key->SignatureSize();
        payload += FullBox("ipro", 0, 0, protection.Data());
    }
    meta.Bytes = FullBox("meta", 0, 0, payload);
    return meta;
}

TBackgroundSha256::TBackgroundSha256() : FThread([this] { Run(); })
{
    FFilling.reserve(kBlockSize);
}

TBackgroundSha256::~TBackgroundSha256()
{
    {
        const std::lock_guard lock(FLock);
        FAbandon = true;
    }
    Stop();
}

void TBackgroundSha256::Stop()
{
    {
        const std::lock_guard lock(FLock);
        FEnd = true;
    }
    FChanged.notify_all();
    if (FThread.joinable())
        FThread.join();
}

void TBackgroundSha256::Queue()
{
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [this] { return FQueue.size() < kBlocksQueued; });
    FQueue.push_back(std::move(FFilling));
    if (FSpare.empty()) {
        FFilling = {};
    } else {
        FFilling = std::move(FSpare.back());
        FSpare.pop_back();
    }
    lock.unlock();
    FChanged.notify_all();
    FFilling.clear();
    FFilling.reserve(kBlockSize);
}

void TBackgroundSha256::Add(const void* data, size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const size_t n = std::min(size, kBlockSize - FFilling.size());
        FFilling.insert(FFilling.end(), bytes, bytes + n);
        bytes += n;
        size -= n;
        if (FFilling.size() == kBlockSize)
            Queue();
    }
}

void TBackgroundSha256::Run()
{
    std::unique_lock lock(FLock);
    for (;;) {
        FChanged.wait(lock, [this] { return !FQueue.empty() || FEnd; });
        if (FAbandon || (FQueue.empty() && FEnd))
            return;
        std::vector<char> block = std::move(FQueue.front());
        FQueue.pop_front();
        lock.unlock();
        if (!FError) { // read and written by this thread alone until it ends
            try {
                FHash.Add(block.data(), block.size());
            } catch (...) {
                FError = std::current_exception();
            }
        }
        lock.lock();
        FSpare.push_back(std::move(block));
        FChanged.notify_all();
    }
}

std::string TBackgroundSha256::Digest()
{
    if (FFinished)
        throw EError("Ошибка вычисления SHA-256");
    if (!FFilling.empty())
        Queue();
    Stop();
    FFinished = true;
    if (FError)
        std::rethrow_exception(FError);
    return FHash.Digest();
}

TOnvifStream::TOnvifStream(TOnvifMeta meta, bool hash) : FMeta(std::move(meta))
{
    if (hash)
        FHash = std::make_unique<TBackgroundSha256>();
}

bool TOnvifStream::Pass(const uint8_t* data, size_t size, const TOut& out)
{
    if (FHash)
        FHash->Add(data, size);
    return out(data, size);
}

bool TOnvifStream::Write(const uint8_t* data, size_t size, const TOut& out)
{
    if (FInserted)
        return Pass(data, size, out);
    FPending.append(reinterpret_cast<const char*>(data), size);
    if (FPending.size() < 8)
        return true;
    const uint32_t ftyp = ReadU32(FPending, 0);
    if (FPending.size() < ftyp)
        return true;
    FInserted = true;
    FFtypSize = ftyp;
    const std::string pending = std::move(FPending);
    const auto* bytes = reinterpret_cast<const uint8_t*>(pending.data());
    return Pass(bytes, ftyp, out) &&
           Pass(reinterpret_cast<const uint8_t*>(FMeta.Bytes.data()), FMeta.Bytes.size(), out) &&
           Pass(bytes + ftyp, pending.size() - ftyp, out);
}

TSealReport ReadSeals(const std::string& path)
{
    TSealReport report;
    const TFile file(path, O_RDONLY);
    const uint64_t size = file.Size();
    bool whole = true;
    const auto boxes = TopLevelBoxes(file.Handle(), size, whole);
    const auto layout = ReadMetaLayout(file, boxes, report.Problem);
    report.HasMeta = layout.has_value();
    if (!layout)
        return report;
    if (!whole) {
        report.Readable = false;
        report.Problem = "блоки файла повреждены";
    }
    const std::string prefix = file.Read(0, layout->Meta.Offset);
    std::vector<std::unique_ptr<TSha256>> hashes;
    for (size_t i = 0; i < layout->Seals.size(); ++i) {
        const auto& seal = layout->Seals[i];
        TSealEntry entry;
        entry.CertificateDer = seal.Cert;
        entry.Signature = layout->Bytes.substr(seal.Sibo.PayloadOffset(), seal.Sibo.Size - seal.Sibo.Header);
        entry.Note = seal.Note;
        report.Seals.push_back(entry);
        // The meta box as it was when this signing was made: the later
        // signings out, ipro and meta shorter by them, this signature zero.
        std::string meta = MetaBefore(*layout, i + 1);
        std::fill(meta.begin() + static_cast<long>(seal.Sibo.PayloadOffset()),
                  meta.begin() + static_cast<long>(seal.Sibo.End()), '\0');
        auto hash = std::make_unique<TSha256>();
        hash->Add(prefix.data(), prefix.size());
        hash->Add(meta.data(), meta.size());
        hashes.push_back(std::move(hash));
    }
    // The whole file as it was before each later signing.
    for (size_t k = 1; k < layout->Seals.size(); ++k) {
        const std::string meta = MetaBefore(*layout, k);
        auto hash = std::make_unique<TSha256>();
        hash->Add(prefix.data(), prefix.size());
        hash->Add(meta.data(), meta.size());
        hashes.push_back(std::move(hash));
    }
    if (!hashes.empty())
        file.ReadTail(layout->Meta.End(), [&](const char* data, size_t n) {
            for (auto& hash : hashes)
                hash->Add(data, n);
        });
    for (size_t i = 0; i < hashes.size(); ++i)
        if (i < report.Seals.size())
            report.Seals[i].Digest = hashes[i]->Digest();
        else
            report.EarlierFileDigests.push_back(hashes[i]->HexDigest());
    return report;
}

void CounterSignMp4(const std::string& path, const TSigningKey& key, const std::string& note)
{
    const TFile file(path, O_RDONLY);
    const uint64_t size = file.Size();
    bool whole = true;
    const auto boxes = TopLevelBoxes(file.Handle(), size, whole);
    std::string problem;
    const auto layout = ReadMetaLayout(file, boxes, problem);
    if (!layout || !whole)
        throw ESigningError("Файл " + Quoted(path) + " не является экспортом MP4, который можно подписать: " +
                            (layout ? std::string("блоки файла повреждены") : problem));
    // A longer meta box moves what follows it: only fragments, whose data
    // offsets count from their own moof, move unharmed.
    if (!FindBox(boxes, "moof") || FindBox(boxes, "mfra"))
        throw ESigningError("Файл " + Quoted(path) +
                            " не является фрагментированным MP4 без индекса mfra: подпись сдвинула бы его данные");

    size_t inSinf = 0;
    const std::string sinf = SealEntryBox(key, note, inSinf);
    std::string meta = layout->Bytes;
    size_t signatureInMeta;
    if (layout->Ipro) {
        meta.insert(layout->Ipro->End(), sinf);
        WriteU32(meta, layout->Ipro->Offset, static_cast<uint32_t>(layout->Ipro->Size + sinf.size()));
        signatureInMeta = layout->Ipro->End() + inSinf;
    } else {
        TBoxWriter protection;
        protection.U16(1);
        protection.Bytes(sinf);
        const std::string ipro = FullBox("ipro", 0, 0, protection.Data());
        signatureInMeta = meta.size() + 14 + inSinf;
        meta += ipro;
    }
    WriteU32(meta, 0, static_cast<uint32_t>(meta.size()));

    // Written anew under a temporary name that takes the file's name when
    // complete; until then the file stays as it was.
    TReplacingFile out(path);
    TSha256 hash;
    auto write = [&](const char* data, size_t n) {
        hash.Add(data, n);
        out.Stream().WriteBuffer(data, static_cast<int64_t>(n));
    };
    const std::string prefix = file.Read(0, layout->Meta.Offset);
    write(prefix.data(), prefix.size());
    write(meta.data(), meta.size());
    file.ReadTail(layout->Meta.End(), write);
    const std::string signature = key.SignDigest(hash.Digest());
    if (::pwrite(out.Stream().Handle(), signature.data(), signature.size(),
                 static_cast<off_t>(layout->Meta.Offset + signatureInMeta)) != static_cast<ssize_t>(signature.size()))
        throw EError("Ошибка записи в файл " + Quoted(path) + ". " + SystemErrorText(errno));
    out.Commit();
}
