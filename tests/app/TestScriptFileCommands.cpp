// Save and Open as the user gives them: through the file dialogs, the caption and the error box.

#include "LoopbackUpdateServer.h"
#include "app/Application.h"
#include "app/TFmain.h"
#include "edit/ScriptEditor.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakePlatform.h"
#include "platform/SystemFileSystem.h"
#include "script/ScriptTable.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cerrno>
#include <memory>
#include <new>
#include <stdexcept>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

class TestScriptFileCommands : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void saveAddsExtensionAndNamesTheFile();
    void saveCancelledChangesNothing();
    void openReplacesTableAndCaption();
    void openCancelledKeepsCaption();
    void dialogsProposeTheNameLastChosen();
    void failuresReachTheErrorBoxAndChangeNothing();
    void failureIsShownInsideTheButtonSlot();
    void cyrillicRoundTripsThroughTheWindow();
    void noCompletionListOutlivesItsDialog();
    void everyFailureOfACommandReachesTheErrorBox_data();
    void everyFailureOfACommandReachesTheErrorBox();
    void fileGivenAtStartOpensWithoutTheDialog();
    void saveOntoAPipeWithoutReaderFailsAtOnce();

  private:
    // Answers the next exec() of `dialog` with `path`, or cancels it when `path` is empty.
    void answer(QFileDialog *dialog, const QString &path);
    QByteArray fileBytes(const QString &path) const;

    QTemporaryDir m_dir;
    std::unique_ptr<FakePlatform> m_fakes;
    FakeDesktop m_desktop;
    std::unique_ptr<TFmain> m_window;
    QStringList m_errors;
};

void TestScriptFileCommands::init()
{
    // A test may start afresh halfway: the old window goes before the platform it uses.
    m_window.reset();
    m_fakes = std::make_unique<FakePlatform>();
    m_window = std::make_unique<TFmain>(m_fakes->platform, m_desktop, offlineUpdateSettings());
    m_errors.clear();
    Application::showError = [this](const QString &message) { m_errors << message; };
}

void TestScriptFileCommands::cleanup()
{
    m_window.reset();
    m_fakes.reset();
}

void TestScriptFileCommands::answer(QFileDialog *dialog, const QString &path)
{
    QTimer::singleShot(0, dialog, [dialog, path] {
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    });
}

QByteArray TestScriptFileCommands::fileBytes(const QString &path) const
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void TestScriptFileCommands::saveAddsExtensionAndNamesTheFile()
{
    const QString chosen = m_dir.filePath(QStringLiteral("script"));
    answer(m_window->SaveDialog1, chosen);
    m_window->ToolButton5Click();
    QCOMPARE(m_window->SaveDialog1->nameFilters(), QStringList{"*.tpx"});
    QCOMPARE(fileBytes(chosen + ".tpx"), QByteArray("|\r\n"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tapsmith - ") + QDir::toNativeSeparators(chosen + ".tpx"));
}

void TestScriptFileCommands::saveCancelledChangesNothing()
{
    m_window->setWindowTitle(QStringLiteral("Tapsmith - /x.tpx *"));
    const QStringList before = QDir(m_dir.path()).entryList(QDir::Files);
    answer(m_window->SaveDialog1, QString());
    m_window->ToolButton5Click();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tapsmith - /x.tpx *"));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), before);
}

void TestScriptFileCommands::openReplacesTableAndCaption()
{
    const QString path = m_dir.filePath(QStringLiteral("in.tpx"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Move()|1;2;3\r\nKeyDown()|VK_A;30;5\n|\r\n");
    file.close();
    m_window->editor().StringGrid1SelectCell(0, 1);
    answer(m_window->OpenDialog1, path);
    m_window->ToolButton6Click();
    QCOMPARE(m_window->OpenDialog1->nameFilters(), QStringList{"*.tpx"});
    QCOMPARE(m_window->Script->rows(), 4);
    QCOMPARE(m_window->Script->parameters(2), QByteArrayView("VK_A;30;5"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tapsmith - ") + QDir::toNativeSeparators(path));
    QCOMPARE(m_window->editor().selectedRow(), 1);
}

void TestScriptFileCommands::openCancelledKeepsCaption()
{
    const QString path = m_dir.filePath(QStringLiteral("a.tpx"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Move()|1;2;3\r\n");
    file.close();
    answer(m_window->OpenDialog1, path);
    m_window->ToolButton6Click();
    answer(m_window->OpenDialog1, QString());
    m_window->ToolButton6Click();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tapsmith - ") + QDir::toNativeSeparators(path));
    QCOMPARE(m_window->Script->rows(), 2);

    init();
    answer(m_window->OpenDialog1, QString());
    m_window->ToolButton6Click();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tapsmith"));
}

void TestScriptFileCommands::dialogsProposeTheNameLastChosen()
{
    const QString first = m_dir.filePath(QStringLiteral("first.tpx"));
    answer(m_window->SaveDialog1, first);
    m_window->ToolButton5Click();
    QString proposed;
    QTimer::singleShot(0, m_window->SaveDialog1, [this, &proposed] {
        proposed = m_window->SaveDialog1->selectedFiles().value(0);
        m_window->SaveDialog1->reject();
    });
    m_window->ToolButton5Click();
    QCOMPARE(proposed, first);

    // The open dialog keeps its own name.
    QTimer::singleShot(0, m_window->OpenDialog1, [this, &proposed] {
        proposed = m_window->OpenDialog1->selectedFiles().value(0);
        m_window->OpenDialog1->reject();
    });
    m_window->ToolButton6Click();
    QVERIFY(proposed != first);
}

void TestScriptFileCommands::failuresReachTheErrorBoxAndChangeNothing()
{
    m_window->Script->appendToLastRow(QByteArrayView("Move()"), QByteArrayView("5;5;5"));
    m_window->setWindowTitle(QStringLiteral("Tapsmith - before"));

    answer(m_window->OpenDialog1, m_dir.filePath(QStringLiteral("missing.tpx")));
    QTest::mouseClick(m_window->ToolButton6, Qt::LeftButton);
    QCOMPARE(m_errors, QStringList{"File not found"});
    QCOMPARE(m_window->Script->rows(), 3);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tapsmith - before"));

    answer(m_window->SaveDialog1, m_dir.filePath(QStringLiteral("no/such/folder/x.tpx")));
    QTest::mouseClick(m_window->ToolButton5, Qt::LeftButton);
    QCOMPARE(m_errors.size(), 2);
#ifdef Q_OS_WIN
    QCOMPARE(m_errors.last(), QStringLiteral("Invalid filename")); // ERROR_PATH_NOT_FOUND, by its code
#else
    QCOMPARE(m_errors.last(), QStringLiteral("File not found"));
#endif
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tapsmith - before"));
}

// Qt's frames between a slot and notify() have no clean-up for exceptions (the sanitizer build reports
// the leaked events): the failure must be shown before it leaves the slot, so later receivers still run.
void TestScriptFileCommands::failureIsShownInsideTheButtonSlot()
{
    bool laterReceiverRan = false;
    connect(m_window->ToolButton6, &QToolButton::clicked, this, [&laterReceiverRan] { laterReceiverRan = true; });
    answer(m_window->OpenDialog1, m_dir.filePath(QStringLiteral("missing.tpx")));
    QTest::mouseClick(m_window->ToolButton6, Qt::LeftButton);
    QCOMPARE(m_errors, QStringList{"File not found"});
    QVERIFY(laterReceiverRan);
}

void TestScriptFileCommands::cyrillicRoundTripsThroughTheWindow()
{
    m_window->Script->setCellText(4, 1, QStringLiteral("Действие|с чертой"));
    m_window->Script->setCellText(5, 1, QStringLiteral("ё;Ж;10"));
    const QString path = m_dir.filePath(QStringLiteral("ru.tpx"));
    answer(m_window->SaveDialog1, path);
    m_window->ToolButton5Click();
    const QByteArray saved = fileBytes(path);
    QCOMPARE(saved, QByteArray("\xC4\xE5\xE9\xF1\xF2\xE2\xE8\xE5|\xF1 \xF7\xE5\xF0\xF2\xEE\xE9|\xB8;\xC6;10\r\n"));

    answer(m_window->OpenDialog1, path);
    m_window->ToolButton6Click();
    QCOMPARE(m_window->Script->cellText(4, 1), QStringLiteral("Действие"));
    QCOMPARE(m_window->Script->cellText(5, 1), QStringLiteral("с чертой|ё;Ж;10"));
    answer(m_window->SaveDialog1, path);
    m_window->ToolButton5Click();
    QCOMPARE(fileBytes(path), saved);
}

void TestScriptFileCommands::noCompletionListOutlivesItsDialog()
{
    for (const char *name : {"alpha.tpx", "alpine.tpx"}) {
        QFile file(m_dir.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Move()|1;2;3\r\n");
    }
    QFileDialog *const dialog = m_window->OpenDialog1;
    dialog->setDirectory(m_dir.path());
    bool listShown = false;
    QTimer::singleShot(0, dialog, [dialog, &listShown] {
        auto *const edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(edit && edit->completer());
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        edit->setFocus();
        edit->clear(); // of the name last chosen, which the dialog proposes
        QTest::keyClicks(edit, QStringLiteral("alp"));
        // The list comes up as the folder's names arrive; typing may have been quicker than the folder.
        QCompleter *const completer = edit->completer();
        if (QTest::qWaitFor([completer] { return completer->completionCount() > 0; }, 5000) &&
            !completer->popup()->isVisible())
            completer->complete();
        listShown = completer->popup()->isVisible();
        // The dialog takes the name and closes while its completion list is still up.
        edit->setText(QStringLiteral("alpha.tpx"));
        static_cast<QDialog *>(dialog)->accept();
    });
    m_window->ToolButton6Click();
    QVERIFY(listShown);
    QCOMPARE(m_window->Script->cellText(4, 1), QStringLiteral("Move()"));
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
    for (QCompleter *completer : dialog->findChildren<QCompleter *>())
        QVERIFY(!completer->popup()->isVisible());
}

namespace
{

// An injector that fails the way a command's code might: out of memory, a library's error, anything.
class FailingInjector : public FakeInjector
{
  public:
    explicit FailingInjector(QString kind) : m_kind(std::move(kind)) {}
    void setCursorPos(int, int) override
    {
        ++calls;
        if (m_kind == QLatin1String("bad_alloc"))
            throw std::bad_alloc();
        if (m_kind == QLatin1String("runtime_error"))
            throw std::runtime_error("the device went away");
        throw 42;
    }
    int calls = 0;

  private:
    QString m_kind;
};

class FailingObject : public QObject
{
  public:
    explicit FailingObject(std::function<void()> fail) : m_fail(std::move(fail)) {}
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            m_fail();
        return QObject::event(event);
    }

  private:
    std::function<void()> m_fail;
};

} // namespace

void TestScriptFileCommands::everyFailureOfACommandReachesTheErrorBox_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("out of memory") << "bad_alloc"
                                   << "Out of memory";
    QTest::newRow("standard exception") << "runtime_error"
                                        << "the device went away";
    QTest::newRow("anything else") << "int"
                                   << "Unknown exception";
}

void TestScriptFileCommands::everyFailureOfACommandReachesTheErrorBox()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    // A command run from a button: the failure is shown and the window can play again.
    auto injector = std::make_unique<FailingInjector>(kind);
    FailingInjector *const failing = injector.get();
    m_fakes->platform.injector = std::move(injector);
    m_window->Script->appendToLastRow(QByteArrayView("Move()"), QByteArrayView("1;2;0"));
    m_window->ToolButton3->click();
    QCOMPARE(m_errors, QStringList{message});
    m_window->ToolButton3->click();
    QCOMPARE(failing->calls, 2);
    QCOMPARE(m_errors, QStringList({message, message}));

    // Any handler: the application object shows the failure and the loop goes on.
    m_errors.clear();
    FailingObject object([failing] { failing->setCursorPos(0, 0); });
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&object, &event);
    QCOMPARE(m_errors, QStringList{message});
}

void TestScriptFileCommands::fileGivenAtStartOpensWithoutTheDialog()
{
    const QString path = m_dir.filePath(QStringLiteral("given.tpx"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("LDown()|10;20;0\r\n");
    file.close();
    m_window->openScriptFile(path);
    QCOMPARE(m_window->Script->rows(), 2);
    QCOMPARE(m_window->Script->action(1), QByteArrayView("LDown()"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tapsmith - ") + QDir::toNativeSeparators(path));
    QVERIFY(!m_window->OpenDialog1->isVisible());

    // A missing file fails like Open's: the table and the caption stay.
    QVERIFY_THROWS_EXCEPTION(FileError, m_window->openScriptFile(m_dir.filePath(QStringLiteral("gone.tpx"))));
    QCOMPARE(m_window->Script->rows(), 2);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tapsmith - ") + QDir::toNativeSeparators(path));
}

void TestScriptFileCommands::saveOntoAPipeWithoutReaderFailsAtOnce()
{
#ifdef Q_OS_UNIX
    // Nobody reads the pipe: the window must not wait in the open, and nothing it holds changes.
    setFileSystem(createFileSystem());
    const QString pipe = m_dir.filePath(QStringLiteral("pipe.tpx"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    m_window->Script->appendToLastRow(QByteArrayView("Move()"), QByteArrayView("5;5;5"));
    m_window->setWindowTitle(QStringLiteral("Tapsmith - before"));
    const int registered = int(m_fakes->hotkeys->registrations.size());
    answer(m_window->SaveDialog1, pipe);
    QTest::mouseClick(m_window->ToolButton5, Qt::LeftButton);
    setFileSystem(nullptr);
    QCOMPARE(m_errors, QStringList{QStringLiteral("I/O error %1").arg(ENXIO)});
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tapsmith - before"));
    QCOMPARE(m_window->Script->rows(), 3);
    QCOMPARE(int(m_fakes->hotkeys->registrations.size()), registered);
    QVERIFY(QFileInfo(pipe).exists() && !QFileInfo(pipe).isFile());
#endif
}

int main(int argc, char **argv)
{
    Application app(argc, argv);
    TestScriptFileCommands test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestScriptFileCommands.moc"
