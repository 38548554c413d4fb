#pragma once

#include "LoopbackUpdateServer.h"
#include "app/TFmain.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakePlatform.h"
#include "script/ScriptTable.h"

#include <memory>

// A main window over the fake platform and desktop, its update check kept on loopback, as the window
// tests build one afresh for every test function.
struct MainWindowFixture {
    // Opening again first closes the window in place, which may still use its desktop.
    void open()
    {
        close();
        fakes = std::make_unique<FakePlatform>();
        desktop = std::make_unique<FakeDesktop>();
        window = std::make_unique<TFmain>(fakes->platform, *desktop, offlineUpdateSettings());
        window->show();
    }

    void close()
    {
        window.reset();
        desktop.reset();
        fakes.reset();
    }

    // Appends a row as the recorder does.
    void row(const char *action, const char *parameters)
    {
        window->Script->appendToLastRow(QByteArrayView(action), QByteArrayView(parameters));
    }

    std::unique_ptr<FakePlatform> fakes;
    std::unique_ptr<FakeDesktop> desktop;
    std::unique_ptr<TFmain> window;
};
