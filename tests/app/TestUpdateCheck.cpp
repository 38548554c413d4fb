// The start-up update check and the news panel against a real HTTP server on loopback.

#include "LoopbackUpdateServer.h"
#include "app/NewsView.h"
#include "app/SystemDesktop.h"
#include "app/TFmain.h"
#include "app/UpdateCheck.h"
#include "app/UpdateSettings.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakePlatform.h"
#include "script/ScriptTable.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <memory>

namespace
{

const QString NoAccessText = QStringLiteral("Отсутствует доступ к интернет или программа заблокирована фаерволом. "
                                            "Пойск новой версии будет не доступен. ");

} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void noUpdateServerSkipsTheCheckQuietly();
    void requestCarriesExactlyTheTwoHeaders();
    void versionDecidesTheNewVersionItem_data();
    void versionDecidesTheNewVersionItem();
    void failedCheckHidesPanelAndItemButStartsUp_data();
    void failedCheckHidesPanelAndItemButStartsUp();
    void pendingEventsRunWhileTheCheckWaits();
    void panelShowsThePageWithoutContextMenu();
    void newVersionItemOpensTheDownloadPage();
    void pageThatFindsNoServerShowsTheInformationBox();
    void informationBoxHasOneYesButton();
    void hugeReplyIsReadOnlyAsFarAsTheVersionNeeds();
    void redirectToAnotherOriginIsNotFollowed();
    void nothingIsReachableBeforeStartUpEnds();

  private:
    void start();

    UpdateSettings m_settings;
    std::unique_ptr<LoopbackUpdateServer> m_server;
    std::unique_ptr<FakePlatform> m_fakes;
    std::unique_ptr<FakeDesktop> m_desktop;
    std::unique_ptr<TFmain> m_window;
};

void TestUpdateCheck::init()
{
    m_server = std::make_unique<LoopbackUpdateServer>();
    m_settings = UpdateSettings::buildDefaults();
    m_settings.serverUrl = m_server->url();
}

void TestUpdateCheck::cleanup()
{
    m_window.reset();
    m_desktop.reset();
    m_fakes.reset();
    m_server.reset();
}

void TestUpdateCheck::start()
{
    m_fakes = std::make_unique<FakePlatform>();
    m_desktop = std::make_unique<FakeDesktop>();
    m_window = std::make_unique<TFmain>(m_fakes->platform, *m_desktop, m_settings);
    m_window->show();
}

void TestUpdateCheck::noUpdateServerSkipsTheCheckQuietly()
{
    // A build names no update server unless it is configured with one; then nothing is asked of anyone.
    QVERIFY(UpdateSettings::buildDefaults().serverUrl.isEmpty());
    m_settings.serverUrl = QUrl();
    start();
    QTest::qWait(300);
    QCOMPARE(m_desktop->informationBoxes, QStringList());
    QVERIFY(m_window->WebBrowser2->url().isEmpty());
    QVERIFY(m_window->serverVersion().isEmpty());
    QVERIFY(!m_window->Panel2->isVisible());
    QVERIFY(!m_window->N8->isVisible());
    m_window->N8->setVisible(true);
    QVERIFY(!m_window->N8->isEnabled());
    QCOMPARE(m_fakes->hotkeys->registrations.size(), std::size_t(4));
    QCOMPARE(m_window->Script->cellText(4, 0), QStringLiteral("Действие"));
}

void TestUpdateCheck::requestCarriesExactlyTheTwoHeaders()
{
    m_server->answer(200, "<html>2.0.1.0;");
    start();
    // One request from the check itself, one from the news panel.
    QTRY_COMPARE(m_server->requests.size(), 2);
    QByteArray check;
    for (const QByteArray &request : std::as_const(m_server->requests)) {
        QVERIFY(request.startsWith("GET /tapsmith/tapsmith.php HTTP/1.1\r\n"));
        if (request.contains("Indy"))
            check = request;
    }
    QVERIFY(!check.isEmpty());
    const QList<QByteArray> lines = check.split('\n');
    QVERIFY(lines.contains("Accept: text/html, */*\r"));
    QVERIFY(lines.contains("User-Agent: Mozilla/3.0 (compatible; Indy Library)\r"));
    QCOMPARE(check.count("Accept:"), 1);
    QCOMPARE(check.count("User-Agent:"), 1);
}

void TestUpdateCheck::versionDecidesTheNewVersionItem_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("serverVersion");
    QTest::addColumn<bool>("newer");
    QTest::newRow("newer") << QByteArray("<html>2.0.2.0;<b>News</b>") << "2.0.2.0" << true;
    QTest::newRow("equal") << QByteArray("<html>2.0.1.0;<b>News</b>") << "2.0.1.0" << false;
    QTest::newRow("older") << QByteArray("<html>1.9.9.9;") << "1.9.9.9" << false;
    QTest::newRow("fourth component only") << QByteArray("<html>2.0.1.1;") << "2.0.1.1" << true;
    QTest::newRow("two dots") << QByteArray("<html>2.0.2;") << "2.0.2" << false;
    QTest::newRow("four dots") << QByteArray("<html>2.0.2.0.0;") << "2.0.2.0.0" << false;
    QTest::newRow("empty") << QByteArray("<html>;") << "" << false;
    QTest::newRow("letters") << QByteArray("<html>2.x.2.0;") << "2.x.2.0" << false;
    QTest::newRow("no >") << QByteArray("3.0.0.0;News") << "3.0.0.0" << true;
    QTest::newRow("no ;") << QByteArray("<html>3.0.0.0 <b>News</b>") << "" << false;
}

void TestUpdateCheck::versionDecidesTheNewVersionItem()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, serverVersion);
    QFETCH(bool, newer);
    m_server->answer(200, body);
    start();
    QCOMPARE(m_window->serverVersion(), serverVersion);
    QVERIFY(m_window->Panel2->isVisible());
    QCOMPARE(m_window->Panel2->height(), 105);
    QCOMPARE(m_window->N8->isVisible(), newer);
    QCOMPARE(m_window->N8->text(), QStringLiteral("Доступна новая версия!"));
    QCOMPARE(m_window->CompareVersion(m_window->serverVersion()), newer);
    // A hidden action reads as disabled; shown, it tells whether it was left enabled.
    m_window->N8->setVisible(true);
    QVERIFY(m_window->N8->isEnabled());
}

void TestUpdateCheck::failedCheckHidesPanelAndItemButStartsUp_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("404") << "404";
    QTest::newRow("refused") << "refused";
    QTest::newRow("never answers") << "silent";
}

void TestUpdateCheck::failedCheckHidesPanelAndItemButStartsUp()
{
    QFETCH(QString, failure);
    if (failure == QLatin1String("404"))
        m_server->answer(404, "<html>9.9.9.9;");
    if (failure == QLatin1String("refused"))
        m_settings.serverUrl = refusedLoopbackUrl();
    if (failure == QLatin1String("silent")) {
        m_server->neverAnswer();
        m_settings.timeoutMs = 300;
    }
    start();
    if (failure != QLatin1String("refused"))
        QVERIFY(!m_server->requests.isEmpty());
    QVERIFY(m_window->serverVersion().isEmpty());
    QVERIFY(!m_window->Panel2->isVisible());
    QVERIFY(!m_window->N8->isVisible());
    m_window->N8->setVisible(true);
    QVERIFY(!m_window->N8->isEnabled());
    QCOMPARE(m_fakes->hotkeys->registrations.size(), std::size_t(4));
    QCOMPARE(m_window->Script->cellText(4, 0), QStringLiteral("Действие"));
    QCOMPARE(m_window->Script->cellText(5, 0), QStringLiteral("Параметры"));
    // The hotkeys work once the window is up.
    m_fakes->hotkeys->press(Modifier::Alt, 0x78);
    QCOMPARE(m_window->trayImage(), 0);
}

void TestUpdateCheck::pendingEventsRunWhileTheCheckWaits()
{
    m_server->neverAnswer();
    m_settings.timeoutMs = 300;
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    start();
    QVERIFY(ran);
    QVERIFY(!m_window->Panel2->isVisible());
}

void TestUpdateCheck::panelShowsThePageWithoutContextMenu()
{
    m_server->answer(200, "<html>2.0.2.0;<b>News of the day</b></html>");
    start();
    NewsView *view = m_window->WebBrowser2;
    QTRY_VERIFY(view->toPlainText().contains(QStringLiteral("News of the day")));
    QVERIFY(view->isVisible());
    QVERIFY(m_desktop->informationBoxes.isEmpty());

    const QPoint inside(20, 20);
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, inside);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, inside, view->viewport()->mapToGlobal(inside));
    QApplication::sendEvent(view->viewport(), &menuEvent);
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
    QCOMPARE(view->contextMenuPolicy(), Qt::NoContextMenu);
}

void TestUpdateCheck::newVersionItemOpensTheDownloadPage()
{
    m_server->answer(200, "<html>2.0.2.0;");
    start();
    QVERIFY(m_window->N8->isVisible());
    m_window->N8->trigger();
    QCOMPARE(m_desktop->openedUrls, QList<QUrl>{m_settings.downloadPage});
}

void TestUpdateCheck::pageThatFindsNoServerShowsTheInformationBox()
{
    // A server's error page is still a page; no server at all leaves none.
    m_server->answer(404, "<html>Not here</html>");
    start();
    QTRY_COMPARE(m_server->requests.size(), 2);
    QTRY_VERIFY(m_window->WebBrowser2->toPlainText().contains(QStringLiteral("Not here")));
    QVERIFY(m_desktop->informationBoxes.isEmpty());
    m_window.reset();

    m_settings.serverUrl = refusedLoopbackUrl();
    start();
    QTRY_COMPARE(m_desktop->informationBoxes, QStringList{NoAccessText});
    QVERIFY(!m_window->Panel2->isVisible());
}

void TestUpdateCheck::informationBoxHasOneYesButton()
{
    QString caption, text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        for (QAbstractButton *button : box->buttons())
            buttons << button->text();
        box->buttons().constFirst()->click();
    });
    SystemDesktop().showInformation(NoAccessText);
    QCOMPARE(caption, QStringLiteral("Information"));
    QCOMPARE(text, NoAccessText);
    QCOMPARE(icon, QMessageBox::Information);
    QCOMPARE(buttons, QStringList{QStringLiteral("&Yes")});
}

void TestUpdateCheck::hugeReplyIsReadOnlyAsFarAsTheVersionNeeds()
{
    const qint64 size = 64 * 1024 * 1024;
    QByteArray body = "<html>2.0.2.0;<!-- ";
    body.append(size - body.size() - 3, 'x'); // a comment: cheap to show, should the panel take it all
    body.append("-->");
    m_server->answer(200, body);
    start();
    QCOMPARE(m_window->serverVersion(), QStringLiteral("2.0.2.0"));
    QVERIFY(m_window->N8->isVisible());
    QTRY_VERIFY(m_window->WebBrowser2->hasPage());
    // What the system's socket buffers took is all that left the server; neither reader took it all.
    QTest::qWait(200);
    QVERIFY2(m_server->bytesWritten < size / 2, qPrintable(QString::number(m_server->bytesWritten)));
}

void TestUpdateCheck::redirectToAnotherOriginIsNotFollowed()
{
    LoopbackUpdateServer elsewhere; // another port is another origin
    elsewhere.answer(200, "<html>9.9.9.9;");
    m_server->answer(302, "", {"Location: " + elsewhere.url().toEncoded()});
    start();
    QTRY_VERIFY(!m_server->requests.isEmpty());
    QTest::qWait(200);
    for (const QByteArray &request : std::as_const(elsewhere.requests))
        QVERIFY2(!request.contains("Indy"), request.constData());
    QVERIFY(m_window->serverVersion().isEmpty());
    QVERIFY(!m_window->N8->isVisible());
    QVERIFY(!m_window->Panel2->isVisible());
}

void TestUpdateCheck::nothingIsReachableBeforeStartUpEnds()
{
    // While the check waits, pending events run: the tray icon must not be there to be clicked yet.
    m_server->neverAnswer();
    m_settings.timeoutMs = 300;
    bool looked = false;
    bool trayShown = false;
    QTimer::singleShot(0, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *window = qobject_cast<TFmain *>(widget)) {
                looked = true;
                trayShown = window->TrayIcon1->isVisible();
            }
        }
    });
    start();
    QVERIFY(looked);
    QVERIFY(!trayShown);
    QVERIFY(m_window->TrayIcon1->isVisible());
}

QTEST_MAIN(TestUpdateCheck)
#include "TestUpdateCheck.moc"
