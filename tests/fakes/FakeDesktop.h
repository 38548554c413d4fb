#pragma once

#include "app/Desktop.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

// Records what the window asked of the desktop instead of doing it.
class FakeDesktop : public Desktop
{
  public:
    void openUrl(const QUrl &url) override { openedUrls << url; }
    void showInformation(const QString &text) override { informationBoxes << text; }
    void terminateProcess() override
    {
        ++terminations;
        if (onTerminate)
            onTerminate();
    }

    QList<QUrl> openedUrls;
    QStringList informationBoxes;
    int terminations = 0;
    // Runs inside terminateProcess(), where the real desktop would end the process.
    std::function<void()> onTerminate;
};
