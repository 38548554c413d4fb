#include "Application.h"

#include "core/Errors.h"
#include "platform/SystemFileSystem.h"

#include <QMessageBox>

#include <exception>
#include <utility>

std::function<void(const QString &)> Application::showError = &Application::showErrorBox;
QString Application::s_errorTitle;

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
        reportCurrentException();
    }
    return false;
}

void Application::reportCurrentException()
{
    try {
        throw;
    } catch (const ApplicationError &error) {
        report(error);
    } catch (...) {
        showError(currentExceptionMessage());
    }
}

void Application::report(const ApplicationError &error)
{
    const QString previous = std::exchange(s_errorTitle, error.title());
    showError(error.message());
    s_errorTitle = previous;
}

void Application::showErrorBox(const QString &message)
{
    const QString title = s_errorTitle.isEmpty() ? QCoreApplication::applicationName() : s_errorTitle;
    QMessageBox box(QMessageBox::Critical, title, message, QMessageBox::Ok);
    box.exec();
}
