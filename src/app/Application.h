#pragma once

#include "core/Errors.h"

#include <QApplication>

#include <functional>

// The application object. It is the one place where a failure that ends a command (a number that does not
// convert, a file error) is caught and shown, after which the event loop goes on.
class Application : public QApplication
{
    Q_OBJECT

  public:
    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Shows the standard error box; tests replace it to observe the message.
    static std::function<void(const QString &message)> showError;
    static void showErrorBox(const QString &message);
    // Shows a failure through showError, under the failure's own title while it is shown.
    static void report(const ApplicationError &error);
    // The title of the error box being shown; empty: the application's title.
    static const QString &errorTitle() { return s_errorTitle; }

    // Runs a command handler called from a signal and shows its failure at once: Qt's own frames between
    // a slot and notify() have no clean-up for exceptions, so one must not unwind through them.
    template <typename Handler> static void reportFailures(Handler &&handler)
    {
        try {
            handler();
        } catch (...) {
            reportCurrentException();
        }
    }

    // Shows the exception being handled in the error box: our own errors with their message (and title),
    // "Out of memory", a standard exception's what(), or "Unknown exception". Call only inside a catch block.
    static void reportCurrentException();

  private:
    static QString s_errorTitle;
};
