// The about box: layout, version and links.
#include "aboutform.h"

#include "shellexecute.h"
#include "uikit/apptitle.h"
#include "uikit/placement.h"
#include "versioninfo.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSvgRenderer>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

// Resources of a static library must be registered by name, outside any namespace.
static void InitShellResources()
{
    Q_INIT_RESOURCE(shell);
}

namespace {

// The size of the design; the box grows only when its texts need more.
constexpr QSize DesignSize(415, 264);

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
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
    // A fixed-size dialog with the system menu alone: no minimise, no maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    auto* group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("GroupBox1"));

    auto* panel = new QFrame(group);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setFixedSize(39, 39);
    auto* image = new QLabel(panel);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(1, 1, 37, 37);
    image->setAlignment(Qt::AlignCenter);
    image->setPixmap(Emblem());

    QLabel* title = MakeLabel(group, "Label1", QStringLiteral("Проигрыватель видеофайлов MJPG"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    QLabel* versionLabel = MakeLabel(group, "Label2", QStringLiteral("Версия:"));
    lbVersion = MakeLabel(group, "lbVersion", QStringLiteral("1.0"));
    QLabel* authorLabel = MakeLabel(group, "Label3", QStringLiteral("Разработал:"));
    lbAutor = MakeLabel(group, "lbAutor", QStringLiteral("Группа разработки видеоархива Orvanta"));
    QLabel* organization = MakeLabel(group, "Label4", QStringLiteral("ОАО НПП \"Веларин\", г. Екатеринбург"));
    QLabel* copyright =
        MakeLabel(group, "Label5", QStringLiteral("© 2007–2026 ОАО НПП \"Веларин\". Все права защищены."));
    QLabel* webLabel = MakeLabel(group, "Label6", QStringLiteral("Web:"));
    lbWeb = MakeLabel(group, "lbWeb", QStringLiteral("https://www.orvanta.ru"));
    QLabel* mailLabel = MakeLabel(group, "Label7", QStringLiteral("E-mail:"));
    lbEMail = MakeLabel(group, "lbEMail", QStringLiteral("support@orvanta.ru"));
    MakeLink(lbWeb);
    MakeLink(lbEMail);
    lbWeb->installEventFilter(this);
    lbEMail->installEventFilter(this);

    // Rows of the design: the emblem beside the texts, values in a column
    // of their own; the layout gives every text the room it needs.
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(12, 16, 12, 12);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    grid->addWidget(panel, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(title, 0, 1, 1, 2);
    grid->addWidget(versionLabel, 1, 1);
    grid->addWidget(lbVersion, 1, 2);
    grid->addWidget(authorLabel, 2, 1);
    grid->addWidget(lbAutor, 2, 2);
    grid->setRowMinimumHeight(3, 6);
    grid->addWidget(organization, 4, 1, 1, 2);
    grid->addWidget(copyright, 5, 1, 1, 2);
    grid->setRowMinimumHeight(6, 6);
    grid->addWidget(webLabel, 7, 1);
    grid->addWidget(lbWeb, 7, 2);
    grid->addWidget(mailLabel, 8, 1);
    grid->addWidget(lbEMail, 8, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(9, 1);

    butClose = new QPushButton(QStringLiteral("Закрыть"), this);
    butClose->setObjectName(QStringLiteral("butClose"));
    butClose->setMinimumSize(75, 25);
    // Enter and Esc both close the dialog with the cancel result.
    butClose->setDefault(true);
    butClose->setAutoDefault(true);
    connect(butClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(butClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 8);
    layout->setSpacing(8);
    layout->addWidget(group, 1);
    layout->addLayout(buttons);
}

void TAboutForm::FitToTexts()
{
    layout()->activate();
    setFixedSize(layout()->totalSizeHint().expandedTo(DesignSize));
}

void TAboutForm::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        FitToTexts();
        CenterOnScreen(this);
    }
    QDialog::setVisible(visible);
}

void TAboutForm::changeEvent(QEvent* event)
{
    if (layout() && (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange))
        FitToTexts();
    QDialog::changeEvent(event);
}

void TAboutForm::FormCreate()
{
    const std::string version = ReadFileVersionText(QCoreApplication::applicationFilePath().toStdString());
    if (!version.empty())
        lbVersion->setText(QString::fromLatin1(version.c_str()));
    FitToTexts();
}

QString TAboutForm::MailToText() const
{
    return QStringLiteral("mailto:") + lbEMail->text() + QStringLiteral("?") +
           QStringLiteral("subject=Программное обеспечение: ") + ApplicationTitle();
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
