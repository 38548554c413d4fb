#pragma once

class QString;
class QUrl;

// What the main window asks of the desktop session around it: programs that open links, a modal
// information box, the end of the process. The program hands in `SystemDesktop`; tests hand in a fake.
class Desktop
{
  public:
    virtual ~Desktop() = default;

    /// Opens a web page or a mail link in the desktop's programs.
    virtual void openUrl(const QUrl &url) = 0;
    /// Shows a modal information box with a single Yes button and waits until it is answered.
    virtual void showInformation(const QString &text) = 0;
    /// Ends the process at once (Exit has already removed the hook).
    virtual void terminateProcess() = 0;
};
