#include "Application.h"

#include "platform/SystemFileSystem.h"
#include "script/Errors.h"

#include <QMessageBox>

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
    } catch (const ApplicationError &error) {
        showError(error.message());
    }
    return false;
}

void Application::showErrorBox(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), message, QMessageBox::Ok);
    box.exec();
}
