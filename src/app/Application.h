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

    // Runs a command handler called from a signal and shows its failure at once: Qt's own frames between
    // a slot and notify() have no clean-up for exceptions, so one must not unwind through them.
    template <typename Handler> static void reportFailures(Handler &&handler)
    {
        try {
            handler();
        } catch (const ApplicationError &error) {
            showError(error.message());
        }
    }
};
