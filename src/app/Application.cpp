#include "Application.h"

#include "platform/SystemFileSystem.h"
#include "script/Errors.h"

#include <QMessageBox>

#include <exception>
#include <new>

std::function<void(const QString &)> Application::showError = &Application::showErrorBox;

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    // Script files learn the system's exact reason for a failure and keep a replaced file's owner.
    setFileSystem(createFileSystem());
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // Whatever a handler threw ends that handler only; the table and the loop go on.
        showError(currentExceptionMessage());
    }
    return false;
}

QString Application::currentExceptionMessage()
{
    try {
        throw;
    } catch (const ApplicationError &error) {
        return error.message();
    } catch (const std::bad_alloc &) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception &error) {
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("Unknown exception");
    }
}

void Application::showErrorBox(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), message, QMessageBox::Ok);
    box.exec();
}
