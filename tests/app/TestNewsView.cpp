// The news panel's view against pages a hostile or broken server might send, on a loopback server.

#include "LoopbackUpdateServer.h"
#include "app/NewsView.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextTable>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Watches FIFOs from another thread and notes each one some reader opened. A reader that opens a FIFO
// blocks until a writer comes, so the watcher opens the write end at once and closes it again, which lets
// a blocked reader go on (it reads an empty file).
class FifoWatcher
{
  public:
    explicit FifoWatcher(const QStringList &paths) : m_paths(paths), m_opened(std::size_t(paths.size()))
    {
        m_thread = std::thread([this] {
            while (!m_stop) {
                for (int i = 0; i < m_paths.size(); ++i) {
                    const int fd = ::open(QFile::encodeName(m_paths[i]).constData(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0) {
                        m_opened[std::size_t(i)] = true;
                        ::close(fd);
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~FifoWatcher() { stop(); }

    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

    QStringList opened() const
    {
        QStringList names;
        for (int i = 0; i < m_paths.size(); ++i) {
            if (m_opened[std::size_t(i)])
                names << QFileInfo(m_paths[i]).fileName();
        }
        return names;
    }

  private:
    QStringList m_paths;
    std::vector<std::atomic<bool>> m_opened;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace

class TestNewsView : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void pageReadsNoLocalFile();
    void hugePageIsCutShort();
    void tricklingServerEndsAtTheDeadline();
    void deepTablesAndImagesAreLeftOutButTextStays();

  private:
    void show();

    std::unique_ptr<LoopbackUpdateServer> m_server;
    std::unique_ptr<NewsView> m_view;
};

void TestNewsView::init()
{
    m_server = std::make_unique<LoopbackUpdateServer>();
    m_view = std::make_unique<NewsView>();
    m_view->resize(990, 105);
    m_view->show();
}

void TestNewsView::cleanup()
{
    m_view.reset();
    m_server.reset();
}

void TestNewsView::pageReadsNoLocalFile()
{
    QTemporaryDir dir;
    const QStringList names = {"image.png", "relative.png", "style.css", "background.png"};
    QStringList paths;
    for (const QString &name : names) {
        paths << dir.filePath(name);
        QVERIFY(::mkfifo(QFile::encodeName(paths.last()).constData(), 0600) == 0);
    }
    const QString previousDirectory = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const auto restore = qScopeGuard([&previousDirectory] { QDir::setCurrent(previousDirectory); });

    const QByteArray url = QUrl::fromLocalFile(dir.path()).toEncoded();
    m_server->answer(200, "<html><head><link rel=\"stylesheet\" type=\"text/css\" href=\"" + url +
                              "/style.css\"></head><body><img src=\"" + url +
                              "/image.png\"><img src=\"relative.png\"><p style=\"background-image: url(" + url +
                              "/background.png)\">The news</p></body></html>");
    FifoWatcher watcher(paths);
    QSignalSpy done(m_view.get(), &NewsView::downloadComplete);
    m_view->Navigate(m_server->url());
    QVERIFY(done.wait(5000));
    m_view->grab(); // lays the page out and paints it, which is when images are asked for
    QTest::qWait(50);
    watcher.stop();
    QCOMPARE(watcher.opened(), QStringList());
    QVERIFY(m_view->toPlainText().contains(QStringLiteral("The news")));
}

void TestNewsView::hugePageIsCutShort()
{
    QByteArray body = "<html><body><p>";
    while (body.size() < 2 * 1024 * 1024)
        body += "news ";
    m_server->answer(200, body + "THE END</p></body></html>");
    QSignalSpy done(m_view.get(), &NewsView::downloadComplete);
    m_view->Navigate(m_server->url());
    QVERIFY(done.wait(20000));
    QVERIFY(m_view->hasPage());
    const QString shown = m_view->toPlainText();
    QVERIFY(shown.startsWith(QStringLiteral("news news")));
    QVERIFY2(shown.size() < 512 * 1024, qPrintable(QString::number(shown.size())));
    QVERIFY(!shown.contains(QStringLiteral("THE END")));
}

void TestNewsView::tricklingServerEndsAtTheDeadline()
{
    // Each byte comes well within the idle time-out, so only a deadline for the whole load can end it.
    m_server->trickle(50);
    m_view->setTimeout(600);
    QSignalSpy done(m_view.get(), &NewsView::downloadComplete);
    m_view->Navigate(m_server->url());
    QVERIFY(done.wait(4000));
}

void TestNewsView::deepTablesAndImagesAreLeftOutButTextStays()
{
    const QByteArray open = "<table><tr><td>", close = "</td></tr></table>";
    m_view->showPage("<p>Top <img src=\"a.png\" width=\"30000\" height=\"30000\"></p>" + open.repeated(40) + "Deep" +
                         close.repeated(40) + "<p>After</p>",
                     "text/html");
    m_view->grab();
    const QString text = m_view->toPlainText();
    for (const char *word : {"Top", "Deep", "After"})
        QVERIFY2(text.contains(QLatin1String(word)), word);
    QVERIFY(!text.contains(QChar::ObjectReplacementCharacter)); // no image left in the page
    int deepest = 0;
    for (QTextBlock block = m_view->document()->begin(); block.isValid(); block = block.next()) {
        int depth = 0;
        for (QTextFrame *frame = m_view->document()->frameAt(block.position()); frame; frame = frame->parentFrame())
            depth += qobject_cast<QTextTable *>(frame) ? 1 : 0;
        deepest = std::max(deepest, depth);
    }
    QCOMPARE(deepest, 3);
}

QTEST_MAIN(TestNewsView)
#include "TestNewsView.moc"
