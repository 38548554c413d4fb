#pragma once

#include "Desktop.h"

// The real desktop: Qt's desktop services, a QMessageBox and an immediate exit.
class SystemDesktop : public Desktop
{
  public:
    void openUrl(const QUrl &url) override;
    void showInformation(const QString &text) override;
    void terminateProcess() override;
};
