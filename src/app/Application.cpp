#include "Application.h"

#include "script/Errors.h"

#include <QMessageBox>

#include <utility>

std::function<void(const QString &)> Application::showError = &Application::showErrorBox;
QString Application::s_errorTitle;

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const ApplicationError &error) {
        report(error);
    }
    return false;
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
