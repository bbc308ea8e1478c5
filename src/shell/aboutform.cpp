// The about box: layout, version and links.
#include "aboutform.h"

#include "shellexecute.h"
#include "versioninfo.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSvgRenderer>
#include <QPainter>
#include <QPixmap>

TAboutForm* AboutForm = nullptr;

// Resources of a static library must be registered by name, outside any namespace.
static void InitShellResources()
{
    Q_INIT_RESOURCE(shell);
}

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(x, y);
    label->adjustSize();
    return label;
}

void MakeLink(QLabel* label)
{
    label->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    label->setCursor(Qt::PointingHandCursor);
}

QPixmap Emblem()
{
    InitShellResources();
    QPixmap pixmap(37, 37);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/shell/emblem.svg"));
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

} // namespace

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent)
{
    createControls();
    FormCreate();
}

void TAboutForm::createControls()
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(415, 264);

    auto* group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    group->setGeometry(8, 4, 399, 217);

    auto* panel = new QFrame(group);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(12, 16, 39, 39);
    auto* image = new QLabel(panel);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(1, 1, 37, 37);
    image->setAlignment(Qt::AlignCenter);
    image->setPixmap(Emblem());

    QFont bold = font();
    bold.setBold(true);
    QLabel* title = MakeLabel(group, "Label1", QStringLiteral("Проигрыватель видеофайлов MJPG"), 64, 16);
    title->setFont(bold);
    title->adjustSize();

    MakeLabel(group, "Label2", QStringLiteral("Версия:"), 64, 40);
    lbVersion = MakeLabel(group, "lbVersion", QStringLiteral("1.0"), 150, 40);
    MakeLabel(group, "Label3", QStringLiteral("Разработал:"), 64, 64);
    lbAutor = MakeLabel(group, "lbAutor", QStringLiteral("Группа разработки видеоархива Orvanta"), 150, 64);
    MakeLabel(group, "Label4", QStringLiteral("ОАО НПП \"Веларин\", г. Екатеринбург"), 64, 96);
    MakeLabel(group, "Label5", QStringLiteral("© 2007–2026 ОАО НПП \"Веларин\". Все права защищены."), 64, 120);
    MakeLabel(group, "Label6", QStringLiteral("Web:"), 64, 152);
    lbWeb = MakeLabel(group, "lbWeb", QStringLiteral("https://www.orvanta.ru"), 150, 152);
    MakeLabel(group, "Label7", QStringLiteral("E-mail:"), 64, 176);
    lbEMail = MakeLabel(group, "lbEMail", QStringLiteral("support@orvanta.ru"), 150, 176);
    MakeLink(lbWeb);
    MakeLink(lbEMail);
    lbWeb->installEventFilter(this);
    lbEMail->installEventFilter(this);

    butClose = new QPushButton(QStringLiteral("Закрыть"), this);
    butClose->setObjectName(QStringLiteral("butClose"));
    butClose->setGeometry(415 - 8 - 75, 264 - 8 - 25, 75, 25);
    // Enter and Esc both close the dialog with the cancel result.
    butClose->setDefault(true);
    butClose->setAutoDefault(true);
    connect(butClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TAboutForm::FormCreate()
{
    const std::string version = ReadFileVersionText(QCoreApplication::applicationFilePath().toStdString());
    if (!version.empty())
        lbVersion->setText(QString::fromLatin1(version.c_str()));
    lbVersion->adjustSize();
}

QString TAboutForm::MailToText() const
{
    return QStringLiteral("mailto:") + lbEMail->text() + QStringLiteral("?") +
           QStringLiteral("subject=Программное обеспечение: ") + QGuiApplication::applicationDisplayName();
}

void TAboutForm::OnWebClick()
{
    ShellExecute(lbWeb->text());
}

void TAboutForm::OnEmailClick()
{
    ShellExecute(MailToText());
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == lbWeb)
            OnWebClick();
        else if (watched == lbEMail)
            OnEmailClick();
    }
    return QDialog::eventFilter(watched, event);
}
