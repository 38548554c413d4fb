#include "SystemDesktop.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QString>
#include <QUrl>

#include <cstdlib>

void SystemDesktop::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}

void SystemDesktop::showInformation(const QString &text)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::NoButton);
    box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    box.exec();
}

void SystemDesktop::terminateProcess()
{
    QGuiApplication::sync();
    std::_Exit(EXIT_SUCCESS);
}
