// The rows a recording writes when asked for them: wheel rows and anchor rows. Without the options the
// recorder's rows are those of TestInputRecorder.

#include "fakes/FakePlatform.h"
#include "record/InputRecorder.h"
#include "script/ScriptTable.h"

#include <QTest>

namespace
{

EventMsg inputEvent(std::uint32_t message, int x, int y, std::uint32_t time)
{
    EventMsg e;
    e.message = message;
    e.paramL = std::uint32_t(x);
    e.paramH = std::uint32_t(y);
    e.time = time;
    return e;
}

EventMsg wheel(std::uint32_t message, std::int32_t delta, std::uint32_t time)
{
    EventMsg e = inputEvent(message, 5, 6, time);
    e.wheelDelta = delta;
    return e;
}

QStringList rowsOf(const ScriptTable &table)
{
    QStringList rows;
    for (int row = 1; row < table.rows(); ++row)
        rows << QString::fromLatin1(table.action(row).toByteArray() + '|' + table.parameters(row).toByteArray());
    return rows;
}

} // namespace

class TestRecordOptions : public QObject
{
    Q_OBJECT

  private slots:
    void wheelTurnsAreRowsOfTheirOwn();
    void withoutTheOptionAWheelTurnOnlyRestartsTheClock();
    void pressesOnAnotherWindowWriteAnAnchorFirst();
    void withoutTheOptionNoWindowIsAskedFor();
    void aWindowTheEventNamesIsTakenOverTheDesktopsAnswer();
};

void TestRecordOptions::wheelTurnsAreRowsOfTheirOwn()
{
    ScriptTable table;
    std::uint32_t clock = 0;
    InputRecorder recorder(table, clock);
    recorder.startRecording({false, true});
    recorder.JournalRecordProc(Hook::Action, wheel(InputMessage::MouseWheel, -120, 1000));
    recorder.JournalRecordProc(Hook::Action, wheel(InputMessage::MouseWheel, -120, 1016));
    recorder.JournalRecordProc(Hook::Action, wheel(InputMessage::MouseHWheel, 240, 1100));
    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::MouseMove, 7, 8, 1130));
    // A part notch of a fine wheel is kept as it came.
    recorder.JournalRecordProc(Hook::Action, wheel(InputMessage::MouseWheel, 30, 1140));
    QCOMPARE(rowsOf(table), (QStringList{"Wheel()|-120;0;1", "Wheel()|-120;0;16", "Wheel()|0;240;84", "Move()|7;8;30",
                                         "Wheel()|30;0;10", "|"}));
}

void TestRecordOptions::withoutTheOptionAWheelTurnOnlyRestartsTheClock()
{
    ScriptTable table;
    std::uint32_t clock = 0;
    InputRecorder recorder(table, clock);
    recorder.startRecording({true, false});
    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::MouseMove, 1, 2, 500));
    recorder.JournalRecordProc(Hook::Action, wheel(InputMessage::MouseWheel, 120, 600));
    recorder.JournalRecordProc(Hook::Action, wheel(InputMessage::MouseHWheel, 120, 650));
    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::MouseMove, 3, 4, 700));
    QCOMPARE(rowsOf(table), (QStringList{"Move()|1;2;1", "Move()|3;4;50", "|"}));
}

void TestRecordOptions::pressesOnAnotherWindowWriteAnAnchorFirst()
{
    FakeDesktopWindows windows;
    TopLevelWindow editor;
    editor.handle = 5;
    editor.windowClass = "Mousepad";
    editor.instance = "mousepad";
    editor.title = "a;b|c — Mousepad";
    editor.x = 100;
    editor.y = 50;
    editor.width = 400;
    editor.height = 300;
    windows.windows.push_back(editor);

    ScriptTable table;
    std::uint32_t clock = 0;
    InputRecorder recorder(table, clock);
    recorder.startRecording({true, false}, &windows);
    const auto press = [&recorder](std::uint32_t down, std::uint32_t up, int x, int y, std::uint32_t time) {
        recorder.JournalRecordProc(Hook::Action, inputEvent(down, x, y, time));
        recorder.JournalRecordProc(Hook::Action, inputEvent(up, x, y, time + 10));
    };
    // The desktop at the start of a recording needs no anchor: positions are the screen's already.
    press(InputMessage::LButtonDown, InputMessage::LButtonUp, 10, 10, 100);
    press(InputMessage::LButtonDown, InputMessage::LButtonUp, 150, 60, 200);
    press(InputMessage::RButtonDown, InputMessage::RButtonUp, 160, 70, 300);
    // The window moved: its new place is named.
    windows.windows.front().x = 120;
    press(InputMessage::MButtonDown, InputMessage::MButtonUp, 160, 70, 400);
    press(InputMessage::LButtonDown, InputMessage::LButtonUp, 5, 5, 500);
    QCOMPARE(rowsOf(table), (QStringList{"LDown()|10;10;1", "LUp()|10;10;10",
                                         "Window()|Mousepad,mousepad,a%3Bb%7Cc %E2%80%94 "
                                         "Mousepad;100,50,400,300;0",
                                         "LDown()|150;60;90", "LUp()|150;60;10", "RDown()|160;70;90", "RUp()|160;70;10",
                                         "Window()|Mousepad,mousepad,a%3Bb%7Cc %E2%80%94 Mousepad;120,50,400,300;0",
                                         "MDown()|160;70;90", "MUp()|160;70;10", "Window()|;;0", "LDown()|5;5;90",
                                         "LUp()|5;5;10", "|"}));
    // Only presses look.
    QCOMPARE(windows.calls, (QStringList{"at 10 10", "at 150 60", "at 160 70", "at 160 70", "at 5 5"}));

    // A recording starts on the screen again.
    recorder.startRecording({true, false}, &windows);
    press(InputMessage::LButtonDown, InputMessage::LButtonUp, 150, 60, 600);
    QCOMPARE(rowsOf(table).mid(13, 2), (QStringList{"Window()|Mousepad,mousepad,a%3Bb%7Cc %E2%80%94 "
                                                    "Mousepad;120,50,400,300;0",
                                                    "LDown()|150;60;1"}));
}

void TestRecordOptions::withoutTheOptionNoWindowIsAskedFor()
{
    FakeDesktopWindows windows;
    TopLevelWindow window;
    window.handle = 5;
    window.width = 100;
    window.height = 100;
    windows.windows.push_back(window);
    ScriptTable table;
    std::uint32_t clock = 0;
    InputRecorder recorder(table, clock);
    recorder.startRecording(RecordOptions(), &windows);
    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::LButtonDown, 1, 2, 10));
    recorder.JournalRecordProc(Hook::Action, wheel(InputMessage::MouseWheel, 120, 20));
    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::LButtonUp, 1, 2, 30));
    QVERIFY(windows.calls.isEmpty());
    QCOMPARE(rowsOf(table), (QStringList{"LDown()|1;2;1", "LUp()|1;2;10", "|"}));
}

void TestRecordOptions::aWindowTheEventNamesIsTakenOverTheDesktopsAnswer()
{
    // What is under the point by the time the event is handed over: the window below the one pressed on.
    FakeDesktopWindows windows;
    TopLevelWindow below;
    below.handle = 5;
    below.windowClass = "Desktop";
    below.width = 1000;
    below.height = 1000;
    windows.windows.push_back(below);
    auto dialog = std::make_shared<TopLevelWindow>();
    dialog->handle = 9;
    dialog->windowClass = "Dialog";
    dialog->instance = "dialog";
    dialog->title = "Quit?";
    dialog->x = 40;
    dialog->y = 30;
    dialog->width = 200;
    dialog->height = 100;

    ScriptTable table;
    std::uint32_t clock = 0;
    InputRecorder recorder(table, clock);
    recorder.startRecording({true, false}, &windows);
    EventMsg press = inputEvent(InputMessage::LButtonDown, 60, 50, 100);
    press.window = dialog;
    recorder.JournalRecordProc(Hook::Action, press);
    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::LButtonUp, 60, 50, 110));
    // The desktop itself as the press saw it, then a press whose hook tells nothing.
    press = inputEvent(InputMessage::RButtonDown, 60, 50, 200);
    press.window = std::make_shared<TopLevelWindow>();
    recorder.JournalRecordProc(Hook::Action, press);
    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::MButtonDown, 60, 50, 300));
    QCOMPARE(rowsOf(table), (QStringList{"Window()|Dialog,dialog,Quit?;40,30,200,100;0", "LDown()|60;50;1",
                                         "LUp()|60;50;10", "Window()|;;0", "RDown()|60;50;90",
                                         "Window()|Desktop,,;0,0,1000,1000;0", "MDown()|60;50;100", "|"}));
    QCOMPARE(windows.calls, QStringList{"at 60 50"});

    // Named by the hook, a press gets its anchor even where no desktop can be asked.
    ScriptTable alone;
    InputRecorder withoutDesktop(alone, clock);
    withoutDesktop.startRecording({true, false}, nullptr);
    press = inputEvent(InputMessage::LButtonDown, 60, 50, 400);
    press.window = dialog;
    withoutDesktop.JournalRecordProc(Hook::Action, press);
    QCOMPARE(rowsOf(alone), (QStringList{"Window()|Dialog,dialog,Quit?;40,30,200,100;0", "LDown()|60;50;1", "|"}));
}

QTEST_GUILESS_MAIN(TestRecordOptions)
#include "TestRecordOptions.moc"
