#include "Application.h"

#include "core/Errors.h"

#include <QMessageBox>

std::function<void(const QString &)> Application::showError = &Application::showErrorBox;

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

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
