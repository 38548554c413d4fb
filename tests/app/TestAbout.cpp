// The About window: its links, and one window however often the tray item is chosen.

#include "LoopbackUpdateServer.h"
#include "app/TFAbout.h"
#include "app/TFmain.h"
#include "app/UpdateSettings.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakePlatform.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QUrlQuery>

#include <memory>

namespace
{

const QColor Blue(0, 0, 255);
const QColor Red(255, 0, 0);

QColor textColour(const QLabel *label)
{
    return label->palette().color(QPalette::WindowText);
}

void moveOver(QLabel *label)
{
    const QPointF inside(3, 3);
    QMouseEvent move(QEvent::MouseMove, inside, label->mapToGlobal(inside), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(label, &move);
}

void leave(QLabel *label)
{
    QEvent leaving(QEvent::Leave);
    QApplication::sendEvent(label, &leaving);
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void showsNameVersionPictureAndLinks();
    void linksTurnRedUnderTheMouse_data();
    void linksTurnRedUnderTheMouse();
    void siteLinkOpensTheRootPage();
    void mailLinkStartsAMailWithSubject();
    void trayItemShowsOneWindowAndCloseHidesIt();

  private:
    std::unique_ptr<TFAbout> m_about;
    QList<QUrl> m_opened;
};

void TestAbout::init()
{
    m_opened.clear();
    m_about = std::make_unique<TFAbout>();
    m_about->openUrl = [this](const QUrl &url) { m_opened << url; };
    m_about->show();
}

void TestAbout::cleanup()
{
    m_about.reset();
}

void TestAbout::showsNameVersionPictureAndLinks()
{
    TFAbout &about = *m_about;
    QCOMPARE(about.windowTitle(), QStringLiteral("О программе"));
    QVERIFY(!(about.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(about.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(about.size(), QSize(382, 210));
    QCOMPARE(about.minimumWidth(), about.maximumWidth());
    QCOMPARE(about.Label1->text(), QStringLiteral("Tapsmith"));
    QCOMPARE(about.version->text(), QStringLiteral("ver. 2.0.1"));
    QVERIFY(!about.Image1->pixmap().isNull());
    QCOMPARE(about.Image1->geometry(), QRect(0, 0, 128, 128));
    QVERIFY(!about.Label2->text().isEmpty());
    QVERIFY(about.Label3->text().contains(QLatin1Char('@')));
    QCOMPARE(textColour(about.Label2), Blue);
    QCOMPARE(textColour(about.Label3), Blue);
    QVERIFY(about.Label2->font().underline());
    // The notice runs along the bottom edge over the full width.
    QCOMPARE(about.Cop->width(), about.width());
    QVERIFY(about.Cop->geometry().bottom() >= about.height() - 4);
    QVERIFY(!about.Cop->text().isEmpty());
}

void TestAbout::linksTurnRedUnderTheMouse_data()
{
    QTest::addColumn<bool>("site");
    QTest::newRow("site") << true;
    QTest::newRow("mail") << false;
}

void TestAbout::linksTurnRedUnderTheMouse()
{
    QFETCH(bool, site);
    QLabel *link = site ? m_about->Label2 : m_about->Label3;
    QLabel *other = site ? m_about->Label3 : m_about->Label2;
    moveOver(link);
    QCOMPARE(textColour(link), Red);
    QCOMPARE(textColour(other), Blue);
    moveOver(link);
    QCOMPARE(textColour(link), Red);
    leave(link);
    QCOMPARE(textColour(link), Blue);
    QVERIFY(m_opened.isEmpty());
}

void TestAbout::siteLinkOpensTheRootPage()
{
    QTest::mouseClick(m_about->Label2, Qt::LeftButton);
    QCOMPARE(m_opened.size(), 1);
    const QUrl site = m_opened.constFirst();
    QCOMPARE(site, UpdateSettings::buildDefaults().webSite);
    QCOMPARE(site.path(), QStringLiteral("/"));
    QCOMPARE(site.host(), m_about->Label2->text());
    QVERIFY(m_about->isVisible());
    // Only the left button clicks a link.
    QTest::mouseClick(m_about->Label2, Qt::RightButton);
    QCOMPARE(m_opened.size(), 1);
}

void TestAbout::mailLinkStartsAMailWithSubject()
{
    QTest::mouseClick(m_about->Label3, Qt::LeftButton);
    QCOMPARE(m_opened.size(), 1);
    const QUrl mail = m_opened.constFirst();
    QCOMPARE(mail.scheme(), QStringLiteral("mailto"));
    QCOMPARE(mail.path(), UpdateSettings::buildDefaults().supportMail);
    QCOMPARE(mail.path(), m_about->Label3->text());
    QVERIFY(mail.toString().contains(QStringLiteral("?Subject=")));
    QVERIFY(!QUrlQuery(mail).queryItemValue(QStringLiteral("Subject")).isEmpty());
    QVERIFY(m_about->isVisible());
}

void TestAbout::trayItemShowsOneWindowAndCloseHidesIt()
{
    m_about->hide();
    FakePlatform fakes;
    FakeDesktop desktop;
    TFmain window(fakes.platform, desktop, offlineUpdateSettings());
    window.aboutWindow = m_about.get();
    window.N6->trigger();
    window.N6Click();
    QVERIFY(m_about->isVisible());
    int shown = 0;
    for (QWidget *top : QApplication::topLevelWidgets())
        shown += qobject_cast<TFAbout *>(top) && top->isVisible() ? 1 : 0;
    QCOMPARE(shown, 1);

    m_about->close();
    QVERIFY(!m_about->isVisible());
    window.N6->trigger();
    QVERIFY(m_about->isVisible());
}

QTEST_MAIN(TestAbout)
#include "TestAbout.moc"
