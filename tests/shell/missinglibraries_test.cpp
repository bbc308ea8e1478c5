// The program when a library it opens on first use cannot be had: libcurl
// missing or broken (the archive's requests, the e-mail export) and an
// export module of another version. Each is told in the message box of the
// command that needed it, as it appears, and nothing is sent or written.
//
// ctest runs this program with LD_LIBRARY_PATH naming a folder of the build
// that holds an empty libcurl.so.4 and an mjpgexport.so of another version:
// the dynamic loader finds those first.
#include "archive/qtcompletion/guicompletion.h"
#include "archive/intervaldialog/dtintervalform.h"
#include "archivefixtures.h"
#include "children.h"
#include "demoserverprocess.h"
#include "export/exportmodule.h"
#include "fakedialogs.h"
#include "fixtures/files.h"
#include "fixtures/loopback.h"
#include "fragmentfiles.h"
#include "http/curllibrary.h"
#include "modalprobe.h"
#include "player/vplayerform.h"
#include "report/mailexport.h"
#include "report/reportmodel.h"
#include "report/templateloader.h"
#include "shell/mainform.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

namespace {

struct TShownMessage {
    bool Shown = false;
    QString Title, Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;
};

// Waits for the message box, passing over a progress window that comes up
// before it, records it and presses OK.
void RecordMessageBox(TShownMessage& shown)
{
    WhenModal([&shown](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) {
            RecordMessageBox(shown); // the progress window, closed by the code under test
            return;
        }
        shown = {true, box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        box->button(QMessageBox::Ok)->click();
    });
}

class WithoutTheirLibraries : public testing::Test {
protected:
    void SetUp() override
    {
        const char* path = std::getenv("LD_LIBRARY_PATH");
        ASSERT_TRUE(path && std::string(path).find(MISSING_LIBRARIES_DIR) != std::string::npos)
            << "run through ctest, which names " << MISSING_LIBRARIES_DIR << " in LD_LIBRARY_PATH";
    }
};

} // namespace

TEST_F(WithoutTheirLibraries, AnExportModuleOfAnotherVersionIsToldInTheExportsMessageBox)
{
    TMainForm form;
    TFragmentPlan plan;
    plan.FPS = 25;
    plan.Frames = {true, true, true};
    {
        TFakeDialogs dialogs;
        dialogs.FileAnswers.push_back(WriteFragmentFile(QStringLiteral("export.mjpg"), plan));
        form.actFileOpen->trigger();
    }
    ASSERT_TRUE(form.actFileExport->isEnabled());
    TShownMessage shown;
    RecordMessageBox(shown); // and no file dialog before it
    form.actFileExport->trigger();
    ASSERT_TRUE(shown.Shown);
    EXPECT_EQ(shown.Title, form.windowTitle());
    EXPECT_EQ(shown.Text.toStdString(), "Не могу экспортировать видеофрагмент!\nНе могу загрузить модуль экспорта \"" +
                                            ExportModule::ModulePath() + "\": модуль другой версии (0.0-other)");
    EXPECT_EQ(shown.Icon, QMessageBox::Critical);
    EXPECT_EQ(shown.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_FALSE(ExportModule::Loaded());
}

TEST_F(WithoutTheirLibraries, AnArchiveListIsToldInTheArchivesMessageBoxAndNothingIsSent)
{
    TGuiCompletion completion; // outlives the workers
    fixture::TScratchFolder folder;
    WriteSmallFragment(folder.Path() / "12-1.mjpg");
    TDemoServerProcess server(folder.Path());
    TArchiveSettings settings;
    settings.Host = "127.0.0.1";
    settings.Port = server.Port();
    TMainForm form(settings);
    ASSERT_NE(VPlayerForm, nullptr);

    TShownMessage shown;
    WhenModalIs<TDTIntervalForm>([&](TDTIntervalForm* dialog) {
        RecordMessageBox(shown);
        dialog->btnOk->click();
    });
    Child(*VPlayerForm, "actShowDTInterval")->trigger();
    ASSERT_TRUE(shown.Shown);
    EXPECT_EQ(shown.Title, VPlayerForm->windowTitle());
    EXPECT_EQ(shown.Text, QStringLiteral("Не могу загрузить список видеофрагментов!\n"
                                         "Не загружается библиотека libcurl, через которую программа обращается к "
                                         "серверу."));
    EXPECT_EQ(shown.Icon, QMessageBox::Critical);
    EXPECT_EQ(shown.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(WithoutTheirLibraries, AnEmailIsToldInTheEmailsMessageBox)
{
    const int port = fixture::FreeLoopbackPort();
    const TMailExportSettings s{.To = QStringLiteral("guard@example.test"),
                                .Format = TAttachmentFormat::Rtf,
                                .From = QStringLiteral("player@example.test"),
                                .Server = QStringLiteral("127.0.0.1"),
                                .Port = port};
    const auto report = LoadFrameReportTemplate();
    report->Build();

    std::string why;
    try {
        InitCurlLibrary();
    } catch (const ECurlUnavailable& e) {
        why = e.what();
    }
    EXPECT_EQ(why.rfind("Не могу загрузить библиотеку libcurl.so.4: ", 0), 0u) << why;
    EXPECT_NE(why.find(MISSING_LIBRARIES_DIR), std::string::npos) << why; // the dynamic loader's reason

    TShownMessage shown;
    RecordMessageBox(shown);
    EXPECT_FALSE(SendReportByMail(*report->Prepared(), s, nullptr));
    ASSERT_TRUE(shown.Shown);
    EXPECT_EQ(shown.Text.toStdString(),
              "Не удалось отправить письмо через сервер 127.0.0.1:" + std::to_string(port) + ".\n" + why);
    EXPECT_EQ(shown.Icon, QMessageBox::Critical);
    EXPECT_EQ(shown.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}
