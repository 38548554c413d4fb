#include "TFAbout.h"

#include "Artwork.h"
#include "UpdateSettings.h"
#include "app/ProgramVersion.h"
#include "edit/FormStyle.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>

namespace
{

constexpr int ClientWidth = 382;
constexpr int ClientHeight = 210;
constexpr int HeightPlay = 4; // the window can hardly be resized: a few pixels of height, no width
constexpr int PictureSize = 128;

const QColor LinkColour(0, 0, 255);
const QColor HoverColour(255, 0, 0);

const QString MailSubject = QStringLiteral("Tapsmith " TAPSMITH_VERSION_SHORT);

void setTextColour(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

TFAbout::TFAbout(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    const UpdateSettings settings = UpdateSettings::buildDefaults();
    m_webSite = settings.webSite.toString();
    m_supportMail = settings.supportMail;
    openUrl = [](const QUrl &url) { QDesktopServices::openUrl(url); };

    setWindowTitle(tr("О программе"));
    setWindowIcon(Artwork::programIcon());
    setFont(formFont(11));
    setMinimumSize(ClientWidth, ClientHeight);
    setMaximumSize(ClientWidth, ClientHeight + HeightPlay);
    resize(ClientWidth, ClientHeight);

    Image1 = new QLabel(this);
    Image1->setGeometry(0, 0, PictureSize, PictureSize);
    Image1->setPixmap(Artwork::aboutPicture().pixmap(PictureSize, PictureSize));
    Image1->setScaledContents(true);
    Image1->setAttribute(Qt::WA_TranslucentBackground);

    Label1 = new QLabel(QStringLiteral("Tapsmith"), this);
    Label1->setFont(formFont(21, true));
    Label1->move(166, 8);
    Label1->adjustSize();

    version = new QLabel(QStringLiteral("ver. " TAPSMITH_VERSION_SHORT), this);
    version->setFont(formFont(13));
    version->move(208, 39);
    version->adjustSize();

    Label2 = addLink(settings.webSite.host(), QPoint(150, 84));
    Label3 = addLink(m_supportMail, QPoint(150, 106));

    Cop = new QLabel(tr("© Разработчики Tapsmith. Все права защищены."), this);
    Cop->setFont(QApplication::font());
    Cop->setAlignment(Qt::AlignCenter);
}

QLabel *TFAbout::addLink(const QString &text, QPoint place)
{
    auto *label = new QLabel(text, this);
    QFont font = formFont(13);
    font.setUnderline(true);
    label->setFont(font);
    setTextColour(label, LinkColour);
    label->move(place);
    label->adjustSize();
    label->setMouseTracking(true); // move events without a pressed button
    label->installEventFilter(this);
    return label;
}

void TFAbout::Label2Click()
{
    openUrl(QUrl(m_webSite));
}

void TFAbout::Label2MouseMove()
{
    setTextColour(Label2, HoverColour);
}

void TFAbout::Label2MouseLeave()
{
    setTextColour(Label2, LinkColour);
}

void TFAbout::Label3Click()
{
    openUrl(QUrl(QStringLiteral("mailto:%1?Subject=%2").arg(m_supportMail, MailSubject)));
}

void TFAbout::Label3MouseMove()
{
    setTextColour(Label3, HoverColour);
}

void TFAbout::Label3MouseLeave()
{
    setTextColour(Label3, LinkColour);
}

bool TFAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Label2 && watched != Label3)
        return QWidget::eventFilter(watched, event);
    const bool site = watched == Label2;
    switch (event->type()) {
    case QEvent::MouseMove:
        site ? Label2MouseMove() : Label3MouseMove();
        break;
    case QEvent::Leave:
        site ? Label2MouseLeave() : Label3MouseLeave();
        break;
    case QEvent::MouseButtonRelease: {
        // A click: pressed and released on the link with the left button.
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton &&
            static_cast<QWidget *>(watched)->rect().contains(mouse->position().toPoint()))
            site ? Label2Click() : Label3Click();
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TFAbout::closeEvent(QCloseEvent *event)
{
    event->ignore();
    hide();
}

void TFAbout::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int height = Cop->sizeHint().height();
    Cop->setGeometry(0, this->height() - height - 2, width(), height);
}

void TFAbout::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
