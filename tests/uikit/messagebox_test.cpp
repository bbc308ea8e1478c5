// The real message boxes of the dialog seam as they appear: buttons, icon,
// title, text, and the answer each button gives. The fake of the seam stood
// in for them everywhere else, which once hid that every box showed the
// wrong buttons.
#include "modalprobe.h"
#include "qttranslationloaded.h"
#include "support/outsidetool.h"
#include "support/overridecursor.h"
#include "uikit/dialogs.h"
#include "uikit/waitcursor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString Title = QStringLiteral("Проигрыватель видеофайлов MJPG");

struct TShownBox {
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;
    QStringList Captions; // the buttons' texts, left to right as Qt orders them
};

// Shows the real box, records what it shows, then closes it with `press`
// (a standard button) or with Esc when `press` is NoButton.
TModalResult ShowAndAnswer(const QString& text, TMsgIcon icon, TMsgButtons buttons,
                           QMessageBox::StandardButton press, TShownBox& shown)
{
    WhenModalIs<QMessageBox>([&](QMessageBox* box) {
        shown.Title = box->windowTitle();
        shown.Text = box->text();
        shown.Icon = box->icon();
        shown.Buttons = box->standardButtons();
        for (QAbstractButton* button : box->buttons())
            shown.Captions << button->text().remove(QLatin1Char('&'));
        if (press == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else if (QAbstractButton* button = box->button(press))
            button->click();
        else
            box->done(-1); // the button is not there: the expectations report it
    });
    return QtDialogs().Message(nullptr, Title, text, icon, buttons);
}

// Every message the program shows, with the icon and buttons the program
// asks for. The player's texts are those of its commands; the paths stand
// for any path.
struct TProgramMessage {
    const char* Where;
    QString Text;
    TMsgIcon Icon;
    TMsgButtons Buttons;
};

const TProgramMessage ProgramMessages[] = {
    {"main window: no player window", QStringLiteral("Недостаточно памяти!"), TMsgIcon::Error, mbOK},
    {"player: a fragment that fails while read",
     QStringLiteral("Не могу загрузить данные из файла\n\"/home/user/Камера 1.mjpg\""), TMsgIcon::Error, mbOK},
    {"snapshot written", QStringLiteral("Снимок успешно сохранен."), TMsgIcon::Information, mbOK},
    {"snapshot failed", QStringLiteral("Не могу сохранить снимок!"), TMsgIcon::Error, mbOK},
    {"fragment over an existing file",
     QStringLiteral("Файл с таким именем уже существует!\nПерезаписать файл \"/home/user/a.mjpg\"?"),
     TMsgIcon::Warning, mbYes | mbNo},
    {"fragment written", QStringLiteral("Видеофрагмент успешно сохранен."), TMsgIcon::Information, mbOK},
    {"fragment write failed", QStringLiteral("Не могу сохранить данные в файл\n\"/home/user/a.mjpg\""),
     TMsgIcon::Error, mbOK},
    {"standard error display", QStringLiteral("Не могу открыть файл \"/home/user/нет.mjpg\". Нет такого файла"),
     TMsgIcon::Error, mbOK},
    {"report: no printer",
     QStringLiteral("Принтер не установлен. Установите принтер в системе, чтобы печатать отчёты, или "
                    "экспортируйте отчёт в файл."),
     TMsgIcon::Warning, mbOK},
    {"report: printing cannot start", QStringLiteral("Не удаётся начать печать на принтере \"PDF\"."),
     TMsgIcon::Error, mbOK},
    {"report: mail sent", QStringLiteral("Письмо отправлено: user@example.org."), TMsgIcon::Information, mbOK},
    {"report: mail failed",
     QStringLiteral("Не удалось отправить письмо через сервер mail.example.org:25.\nConnection refused"),
     TMsgIcon::Error, mbOK},
};

QMessageBox::Icon QtIconOf(TMsgIcon icon)
{
    switch (icon) {
    case TMsgIcon::Information: return QMessageBox::Information;
    case TMsgIcon::Warning: return QMessageBox::Warning;
    case TMsgIcon::Error: return QMessageBox::Critical;
    case TMsgIcon::Question: return QMessageBox::Question;
    case TMsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

TEST(MessageBox, EveryMessageOfTheProgramShowsItsButtonsAndIcon)
{
    for (const TProgramMessage& message : ProgramMessages) {
        SCOPED_TRACE(message.Where);
        const bool question = message.Buttons.testFlag(TMsgButton::Yes);
        const QMessageBox::StandardButtons expected =
            question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::StandardButtons(QMessageBox::Ok);
        // One showing per way of closing it: each button, then Esc.
        struct TClose {
            QMessageBox::StandardButton Press;
            TModalResult Answer;
        };
        const std::vector<TClose> closes =
            question ? std::vector<TClose>{{QMessageBox::Yes, mrYes}, {QMessageBox::No, mrNo}, {QMessageBox::NoButton, mrNo}}
                     : std::vector<TClose>{{QMessageBox::Ok, mrOK}, {QMessageBox::NoButton, mrOK}};
        for (const TClose& close : closes) {
            TShownBox shown;
            const TModalResult answer = ShowAndAnswer(message.Text, message.Icon, message.Buttons, close.Press, shown);
            EXPECT_EQ(shown.Buttons, expected);
            EXPECT_EQ(shown.Icon, QtIconOf(message.Icon));
            EXPECT_EQ(shown.Title, Title);
            EXPECT_EQ(shown.Text, message.Text);
            EXPECT_EQ(answer, close.Answer) << "closed with button " << close.Press;
        }
    }
}

TEST(MessageBox, ButtonSetsAndAnswersStayApart)
{
    // Sets the program may ask for, with the answer of each button and of Esc.
    struct TRow {
        TMsgButtons Buttons;
        QMessageBox::StandardButtons Shown;
        std::vector<std::pair<QMessageBox::StandardButton, TModalResult>> Presses;
        TModalResult Escape;
    } rows[] = {
        {{}, QMessageBox::Ok, {{QMessageBox::Ok, mrOK}}, mrOK},
        {mbOK | mbCancel, QMessageBox::Ok | QMessageBox::Cancel,
         {{QMessageBox::Ok, mrOK}, {QMessageBox::Cancel, mrCancel}}, mrCancel},
        {mbYes | mbNo | mbCancel, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
         {{QMessageBox::Yes, mrYes}, {QMessageBox::No, mrNo}, {QMessageBox::Cancel, mrCancel}}, mrCancel},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "buttons " << row.Buttons.toInt());
        for (const auto& [press, answer] : row.Presses) {
            TShownBox shown;
            EXPECT_EQ(ShowAndAnswer(QStringLiteral("?"), TMsgIcon::Question, row.Buttons, press, shown), answer);
            EXPECT_EQ(shown.Buttons, row.Shown);
        }
        TShownBox shown;
        EXPECT_EQ(ShowAndAnswer(QStringLiteral("?"), TMsgIcon::Question, row.Buttons, QMessageBox::NoButton, shown),
                  row.Escape);
    }
}

// The answers keep the toolkit's modal results.
static_assert(static_cast<int>(mrOK) == 1);
static_assert(static_cast<int>(mrCancel) == 2);
static_assert(static_cast<int>(mrYes) == 6);
static_assert(static_cast<int>(mrNo) == 7);

TEST(MessageBox, QtsButtonsReadInRussian)
{
    REQUIRE_OUTSIDE_TOOL(QtTranslationLoaded, "Qt's Russian translation (qt6-translations-l10n)");
    TShownBox question;
    ShowAndAnswer(QStringLiteral("?"), TMsgIcon::Warning, mbYes | mbNo, QMessageBox::No, question);
    EXPECT_EQ(question.Captions, (QStringList{QStringLiteral("Да"), QStringLiteral("Нет")}));
    TShownBox cancel;
    ShowAndAnswer(QStringLiteral("?"), TMsgIcon::Warning, mbOK | mbCancel, QMessageBox::Cancel, cancel);
    EXPECT_TRUE(cancel.Captions.contains(QStringLiteral("Отмена"))) << cancel.Captions.join(',').toStdString();
}

TEST(MessageBox, WideEnoughForItsWholeTitle)
{
    // A short text under the player window's caption: the title bar must not
    // elide the title.
    int width = 0;
    WhenModal([&](QWidget* modal) {
        width = modal->width();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    const QString title = QStringLiteral("Просмотр видеоархива");
    QtDialogs().Message(nullptr, title, QStringLiteral("Снимок успешно сохранен."), TMsgIcon::Information, mbOK);
    QFont bold = QApplication::font();
    bold.setBold(true);
    EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(title) + TitleBarRoom);
}

TEST(MessageBox, AsksWithTheArrowDuringLongWork)
{
    {
        const TWaitCursor wait;
        ASSERT_EQ(OverrideCursorShape(), Qt::WaitCursor);
        Qt::CursorShape asked = Qt::WaitCursor;
        WhenModal([&](QWidget* modal) {
            asked = OverrideCursorShape();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        QtDialogs().Message(nullptr, Title, QStringLiteral("Не могу сохранить снимок!"), TMsgIcon::Error, mbOK);
        EXPECT_EQ(asked, Qt::ArrowCursor);
        EXPECT_EQ(OverrideCursorShape(), Qt::WaitCursor); // the work goes on
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
