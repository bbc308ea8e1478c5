// Signed exports, counter-signing and mjpgtool verify, checked with the
// openssl command line, ffprobe and sha256sum: a certificate authority,
// keys and certificates are made here with openssl, none is kept.
#include "toolfixtures.h"
#include "toolrunner.h"

#include "../support/outsidetool.h"
#include "../support/shellcommand.h"

#include "fixtures/framemaker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

using namespace fixture;
namespace fs = std::filesystem;

namespace {

std::string Q(const fs::path& path)
{
    return "'" + path.string() + "'";
}

void Shell(const std::string& command)
{
    const auto [status, text] = RunShell(command + " 2>&1");
    ASSERT_EQ(status, 0) << command << "\n" << text;
}

// A CA, a signer's key (protected by "secret") and certificate from it, a
// second signer, and keys and certificates that cannot sign.
class Keys {
public:
    static void Make(const fs::path& dir)
    {
        const std::string d = Q(dir);
        auto req = [&](const std::string& key, const std::string& name, const std::string& extra) {
            Shell("cd " + d + " && openssl req -new -key " + key + " " + extra + " -subj '/CN=" + name +
                  "' -out " + name + ".csr");
        };
        Shell("cd " + d + " && openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 "
                          "-subj '/CN=Test CA'");
        Shell("cd " + d + " && openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -aes256 "
                          "-pass pass:secret -out signer.key");
        req("signer.key", "signer", "-passin pass:secret");
        Shell("cd " + d + " && openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 "
                          "-out signer.pem");
        Shell("cd " + d + " && openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:3072 -out receiver.key");
        req("receiver.key", "receiver", "");
        Shell("cd " + d + " && openssl x509 -req -in receiver.csr -CA ca.pem -CAkey ca.key -CAcreateserial "
                          "-days 30 -out receiver.pem");
        Shell("cd " + d + " && openssl x509 -req -in receiver.csr -signkey receiver.key -days -1 -out expired.pem");
        Shell("cd " + d + " && openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out short.key");
        req("short.key", "short", "");
        Shell("cd " + d + " && openssl x509 -req -in short.csr -signkey short.key -days 30 -out short.pem");
        Shell("cd " + d + " && openssl x509 -in signer.pem -pubkey -noout > signer.pub");
    }
};

class SignedExport : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        FKeys = new TScratchFolder;
        Keys::Make(FKeys->Path());
    }
    static void TearDownTestSuite()
    {
        delete FKeys;
        FKeys = nullptr;
    }
    static std::string Key(const char* name) { return (FKeys->Path() / name).string(); }

    void SetUp() override
    {
        REQUIRE_OUTSIDE_TOOL(HaveProgram("openssl"), "openssl (Debian package openssl)");
        THeaderLines header;
        header.Camera = "\xCA\xE0\xEC\xE5\xF0\xE0 1"; // "Камера 1" in code page 1251
        header.FPS = 25;
        header.Frames = 6;
        TFragmentBuilder builder(header);
        for (int i = 0; i < 6; ++i) {
            if (i == 3)
                builder.EmptyParts(1);
            else
                builder.Part(MakeFrame({.Index = i}));
        }
        builder.WriteFile(Dir / "in.mjpg");
    }

    TToolResult Export(const std::string& out, std::vector<std::string> extra = {})
    {
        std::vector<std::string> args{"export", Dir / "in.mjpg", Dir / out, "--sign-key", Key("signer.key"),
                                      "--sign-cert", Key("signer.pem"), "--operator", "Иванов"};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunTool(args, TToolRun{.Environment = {{"MJPG_SIGN_PASSPHRASE", "secret"}}});
    }
    TToolResult Verify(const std::string& out, bool trusted = true)
    {
        std::vector<std::string> args{"verify", Dir / out};
        if (trusted)
            args.insert(args.end(), {"--cafile", Key("ca.pem")});
        return RunTool(args);
    }

    static TScratchFolder* FKeys;
    TScratchFolder Dir;
};

TScratchFolder* SignedExport::FKeys = nullptr;

// The offset and size of the first box of the type at or after `from`.
std::pair<size_t, size_t> FindBox(const std::string& bytes, const char* type, size_t from = 0)
{
    const size_t at = bytes.find(type, from);
    if (at == std::string::npos || at < 4)
        return {std::string::npos, 0};
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at - 4);
    return {at - 4, static_cast<size_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]};
}

} // namespace

TEST_F(SignedExport, Mp4IsSealedAndChecksFromOutside)
{
    REQUIRE_OUTSIDE_TOOL(HaveProgram("ffprobe"), "ffprobe (Debian package ffmpeg)");
    REQUIRE_OUTSIDE_TOOL(HaveProgram("sha256sum"), "sha256sum (Debian package coreutils)");
    const TToolResult r = Export("out.mp4", {"--manifest"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("их подпись в \"" + (Dir / "out.mp4.sha256.p7s") + "\""), std::string::npos) << r.Out;
    EXPECT_EQ(EntryNames(Dir.Path()),
              (std::vector<std::string>{"in.mjpg", "out.mp4", "out.mp4.sha256", "out.mp4.sha256.p7s"}));

    // The boxes: ftyp, then meta with hdlr, suep, ipro → sinf → schm 'oeff', schi with sibo and cert.
    const std::string file = ReadFileBytes(Dir / "out.mp4");
    EXPECT_EQ(file.substr(4, 4), "ftyp");
    const size_t ftyp = FindBox(file, "ftyp").second;
    EXPECT_EQ(file.substr(ftyp + 4, 4), "meta");
    for (const char* type : {"hdlr", "suep", "ipro", "sinf", "schm", "schi", "sibo", "cert"})
        EXPECT_NE(FindBox(file, type).first, std::string::npos) << type;
    EXPECT_NE(file.find("oeff"), std::string::npos);
    const auto suep = FindBox(file, "suep");
    const std::string suepBytes = file.substr(suep.first, suep.second);
    EXPECT_NE(suepBytes.find("mjpgplayer "), std::string::npos);
    EXPECT_NE(suepBytes.find(std::string("Иванов") + '\0'), std::string::npos);
    EXPECT_NE(suepBytes.find(std::string("Камера 1") + '\0'), std::string::npos);
    EXPECT_LT(suep.first, FindBox(file, "moov").first);
    EXPECT_NE(FindBox(file, "tfdt").first, std::string::npos);

    // ffprobe: MJPEG, five pictures, a mov_text track with a cue per picture.
    const auto [probeStatus, probe] =
        RunShell("ffprobe -v error -count_packets -show_entries stream=codec_name,codec_type,nb_read_packets "
                 "-of csv " + Q(Dir / "out.mp4"));
    EXPECT_EQ(probeStatus, 0) << probe;
    EXPECT_NE(probe.find("stream,mjpeg,video,5\n"), std::string::npos) << probe;
    EXPECT_NE(probe.find("mov_text,subtitle"), std::string::npos) << probe;
    const auto [cueStatus, cues] = RunShell("ffprobe -v error -select_streams s -show_entries packet=size -of csv " +
                                            Q(Dir / "out.mp4") + " | grep -vc ',2$'");
    EXPECT_EQ(cues, "5\n");

    // The seal from outside: PSS over a copy with the signature bytes zeroed.
    const auto sibo = FindBox(file, "sibo");
    WriteFileBytes(Dir / "sig.bin", file.substr(sibo.first + 8, sibo.second - 8));
    std::string zeroed = file;
    std::fill(zeroed.begin() + static_cast<long>(sibo.first + 8), zeroed.begin() + static_cast<long>(sibo.first + sibo.second), '\0');
    WriteFileBytes(Dir / "zeroed.mp4", zeroed);
    const std::string dgst = "openssl dgst -sha256 -sigopt rsa_padding_mode:pss -sigopt rsa_pss_saltlen:20 "
                             "-sigopt rsa_mgf1_md:sha256 -verify " + Key("signer.pub") + " -signature " +
                             Q(Dir / "sig.bin") + " ";
    const auto [pssStatus, pss] = RunShell(dgst + Q(Dir / "zeroed.mp4") + " 2>&1");
    EXPECT_EQ(pssStatus, 0) << pss;
    EXPECT_NE(pss.find("Verified OK"), std::string::npos) << pss;
    EXPECT_NE(RunShell(dgst + Q(Dir / "out.mp4") + " 2>&1").first, 0) << "the signature bytes are part of the input";

    // The manifest: sha256sum -c and its detached CMS signature.
    const auto [sumStatus, sums] = RunShell("cd " + Q(Dir.Path()) + " && sha256sum -c out.mp4.sha256 2>&1");
    EXPECT_EQ(sumStatus, 0) << sums;
    const auto [cmsStatus, cms] =
        RunShell("openssl cms -verify -binary -inform DER -in " + Q(Dir / "out.mp4.sha256.p7s") + " -content " +
                 Q(Dir / "out.mp4.sha256") + " -CAfile " + Key("ca.pem") + " -out /dev/null 2>&1");
    EXPECT_EQ(cmsStatus, 0) << cms;

    const TToolResult v = Verify("out.mp4");
    EXPECT_EQ(v.Status, 0) << v.Out << v.Err;
    EXPECT_NE(v.Out.find("Подпись MP4 1 из 1: CN=signer; отпечаток SHA-256 "), std::string::npos) << v.Out;
    EXPECT_NE(v.Out.find("; сертификат действителен с "), std::string::npos) << v.Out;
    EXPECT_NE(v.Out.find("верна, цепочка доверия проверена\nПодпись манифеста \"out.mp4.sha256\": CN=signer"),
              std::string::npos) << v.Out;
    EXPECT_NE(v.Out.find("Контрольная сумма \"out.mp4\": совпадает\n"), std::string::npos) << v.Out;
    EXPECT_NE(v.Out.find("Кадры: контрольные суммы всех 5 совпадают\n"), std::string::npos) << v.Out;

    // Without an authority that vouches for the signer: everything matches, status 4.
    const TToolResult untrusted = Verify("out.mp4", false);
    EXPECT_EQ(untrusted.Status, 4) << untrusted.Out;
    EXPECT_NE(untrusted.Out.find("верна, но цепочка доверия не подтверждена"), std::string::npos) << untrusted.Out;
}

TEST_F(SignedExport, AnyChangedByteIsNamed)
{
    struct TCase {
        const char* Name;
        const char* Out;
        // Where to change a byte: in the export (a box or a picture) or its manifest.
        std::function<void(const fs::path& dir)> Change;
        std::string Named;
    };
    auto flipIn = [](const char* name, std::function<size_t(const std::string&)> where) {
        return [=](const fs::path& dir) {
            std::string bytes = ReadFileBytes(dir / name);
            bytes[where(bytes)] ^= 0x01;
            WriteFileBytes(dir / name, bytes);
        };
    };
    // A byte in the middle of the last picture (a JPEG's last bytes end with FF D9).
    auto inLastPicture = [](const std::string& bytes) { return bytes.rfind("\xFF\xD9") - 40; };
    const TCase cases[] = {
        {"picture in MP4", "out.mp4", flipIn("out.mp4", inLastPicture), "Подпись MP4 1 из 1"},
        {"suep box", "out.mp4", flipIn("out.mp4", [](const std::string& b) { return b.find("mjpgplayer"); }),
         "Подпись MP4 1 из 1"},
        {"tfdt box", "out.mp4", flipIn("out.mp4", [](const std::string& b) { return b.find("tfdt") + 11; }),
         "Подпись MP4 1 из 1"},
        {"manifest of MP4", "out.mp4",
         flipIn("out.mp4.sha256", [](const std::string& b) { return b.find("# frame 4 ") + 12; }),
         "Подпись манифеста"},
        {"picture in Matroska", "out.mkv", flipIn("out.mkv", inLastPicture), "Кадр 5: контрольная сумма НЕ СОВПАДАЕТ"},
        {"manifest of AVI", "out.avi", flipIn("out.avi.sha256", [](const std::string& b) { return b.size() - 3; }),
         "Подпись манифеста"},
    };
    for (const TCase& c : cases) {
        TScratchFolder dir;
        fs::copy_file(Dir / "in.mjpg", dir / "in.mjpg");
        const TToolResult r = RunTool({"export", dir / "in.mjpg", dir / c.Out, "--manifest", "--sign-key",
                                       Key("signer.key"), "--sign-cert", Key("signer.pem")},
                                      TToolRun{.Environment = {{"MJPG_SIGN_PASSPHRASE", "secret"}}});
        ASSERT_EQ(r.Status, 0) << c.Name << ": " << r.Err;
        ASSERT_EQ(RunTool({"verify", dir / c.Out, "--cafile", Key("ca.pem")}).Status, 0) << c.Name;
        c.Change(dir.Path());
        const TToolResult v = RunTool({"verify", dir / c.Out, "--cafile", Key("ca.pem")});
        EXPECT_EQ(v.Status, 1) << c.Name << ": " << v.Out << v.Err;
        std::string failed;
        std::istringstream lines(v.Out);
        for (std::string line; std::getline(lines, line);)
            if (line.find("НЕ СОВПАДАЕТ") != std::string::npos)
                failed += line + "\n";
        EXPECT_NE(failed.find(c.Named), std::string::npos) << c.Name << ": " << v.Out;
    }
}

TEST_F(SignedExport, CounterSigningKeepsTheFirstSignatureValid)
{
    ASSERT_EQ(Export("out.mp4", {"--manifest"}).Status, 0);
    const TToolResult s = RunTool({"sign", Dir / "out.mp4", "--sign-key", Key("receiver.key"), "--sign-cert",
                                   Key("receiver.pem"), "--note", "Получено: отдел 5"});
    ASSERT_EQ(s.Status, 0) << s.Err;
    EXPECT_EQ(EntryNames(Dir.Path()),
              (std::vector<std::string>{"in.mjpg", "out.mp4", "out.mp4.sha256", "out.mp4.sha256.p7s"}));
    const TToolResult v = Verify("out.mp4");
    EXPECT_EQ(v.Status, 0) << v.Out << v.Err;
    EXPECT_NE(v.Out.find("Подпись MP4 1 из 2: CN=signer;"), std::string::npos) << v.Out;
    EXPECT_NE(v.Out.find("Подпись MP4 2 из 2 (Получено: отдел 5): CN=receiver;"), std::string::npos) << v.Out;
    EXPECT_EQ(v.Out.find("НЕ СОВПАДАЕТ"), std::string::npos) << v.Out;

    // A change after the second signing breaks both.
    std::string bytes = ReadFileBytes(Dir / "out.mp4");
    bytes[bytes.size() - 10] ^= 1;
    WriteFileBytes(Dir / "out.mp4", bytes);
    const TToolResult changed = Verify("out.mp4");
    EXPECT_EQ(changed.Status, 1);
    EXPECT_NE(changed.Out.find("Подпись MP4 2 из 2 (Получено: отдел 5): CN=receiver;"), std::string::npos);
    EXPECT_NE(changed.Out.find("НЕ СОВПАДАЕТ: файл изменён после подписи\nПодпись MP4 2"), std::string::npos)
        << changed.Out;
}

TEST_F(SignedExport, KeysThatCannotSignLeaveNothingBehind)
{
    struct TCase {
        const char* Name;
        std::string KeyFile, CertFile, Passphrase;
        int Status;
        std::string Message;
    };
    const TCase cases[] = {
        {"key of another certificate", "receiver.key", "signer.pem", "", 1, "не соответствует сертификату"},
        {"expired certificate", "receiver.key", "expired.pem", "", 1, "Срок действия сертификата"},
        {"short key", "short.key", "short.pem", "", 1, "не короче 2048 бит"},
        {"no passphrase", "signer.key", "signer.pem", "", 1, "защищён паролем"},
        {"wrong passphrase", "signer.key", "signer.pem", "wrong", 1, "Неверный пароль"},
        {"unreadable key", "none.key", "signer.pem", "", 3, "Не могу прочитать ключ подписи"},
        {"certificate not PEM", "receiver.key", "receiver.key", "", 1, "не является сертификатом"},
    };
    WriteFileBytes(Dir / "out.mp4", "old");
    for (const TCase& c : cases) {
        const TToolResult r =
            RunTool({"export", Dir / "in.mjpg", Dir / "out.mp4", "--manifest", "--sign-key", Key(c.KeyFile.c_str()),
                     "--sign-cert", Key(c.CertFile.c_str())},
                    TToolRun{.Environment = {{"MJPG_SIGN_PASSPHRASE", c.Passphrase}}});
        EXPECT_EQ(r.Status, c.Status) << c.Name << ": " << r.Err;
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << c.Name << ": " << r.Err;
        EXPECT_EQ(EntryNames(Dir.Path()), (std::vector<std::string>{"in.mjpg", "out.mp4"})) << c.Name;
        EXPECT_EQ(ReadFileBytes(Dir / "out.mp4"), "old") << c.Name;
    }
}

TEST_F(SignedExport, VerifyStatusesForUsageAndFiles)
{
    ASSERT_EQ(RunTool({"export", Dir / "in.mjpg", Dir / "plain.mkv"}).Status, 0);
    ASSERT_EQ(RunTool({"export", Dir / "in.mjpg", Dir / "listed.mkv", "--manifest"}).Status, 0);
    struct TCase {
        const char* Name;
        std::vector<std::string> Args;
        int Status;
        std::string Text; // in the output or the error output
    };
    const TCase cases[] = {
        {"no file", {"verify"}, 2, "нужен один файл"},
        {"unknown option", {"verify", Dir / "plain.mkv", "--ca", "x"}, 2, "неизвестный параметр"},
        {"missing file", {"verify", Dir / "none.mp4"}, 3, "none.mp4"},
        {"missing CA file", {"verify", Dir / "listed.mkv", "--cafile", Dir / "none.pem"}, 3, "none.pem"},
        {"nothing to check", {"verify", Dir / "plain.mkv"}, 1, "Нечего проверять"},
        {"manifest without a signature", {"verify", Dir / "listed.mkv"}, 4, "Подпись манифеста \"listed.mkv.sha256\": нет"},
        {"sign without a key", {"sign", Dir / "plain.mkv"}, 2, "только экспорт MP4"},
    };
    for (const TCase& c : cases) {
        const TToolResult r = RunTool(c.Args);
        EXPECT_EQ(r.Status, c.Status) << c.Name << ": " << r.Out << r.Err;
        EXPECT_NE((r.Out + r.Err).find(c.Text), std::string::npos) << c.Name << ": " << r.Out << r.Err;
    }
}
