#include "record/AltCleanup.h"
#include "record/InputRecorder.h"
#include "script/ScriptTable.h"

#include <QByteArrayList>
#include <QTest>

namespace
{

// Rows are written "Action|Parameters", from row 1 on; an empty list is the fresh table.
void fill(ScriptTable &table, const QByteArrayList &rows)
{
    table.setRows(int(rows.size()) + 1);
    for (int i = 0; i < rows.size(); ++i) {
        const QByteArray &text = rows[i];
        const qsizetype bar = text.indexOf('|');
        table.setCell(ScriptTable::ActionColumn, i + 1, text.left(bar));
        table.setCell(ScriptTable::ParametersColumn, i + 1, text.mid(bar + 1));
    }
}

QByteArrayList contents(const ScriptTable &table)
{
    QByteArrayList rows;
    for (int row = 1; row < table.rows(); ++row)
        rows << table.action(row).toByteArray() + '|' + table.parameters(row).toByteArray();
    return rows;
}

const QByteArray Open = "|";
const QByteArray AltDown = "KeyDown()|VK_MENU;56;300";
const QByteArray AltDownLater = "KeyDown()|VK_MENU;56;30";
const QByteArray AltUp = "KeyUp()|VK_MENU;56;20";
const QByteArray KeyADown = "KeyDown()|VK_A;30;10";
const QByteArray KeyAUp = "KeyUp()|VK_A;30;10";
const QByteArray Moved = "Move()|100;200;16";

} // namespace

class TestAltCleanup : public QObject
{
    Q_OBJECT

  private slots:
    void removesTrailingAltKeyDowns_data();
    void removesTrailingAltKeyDowns();
    void stopHotkeyRecordingLeavesNoAltRows();
};

void TestAltCleanup::removesTrailingAltKeyDowns_data()
{
    QTest::addColumn<QByteArrayList>("before");
    QTest::addColumn<QByteArrayList>("after");

    QTest::newRow("both alt rows after last key up")
        << QByteArrayList{KeyADown, KeyAUp, AltDown, Moved, AltDownLater, Open}
        << QByteArrayList{KeyADown, KeyAUp, Moved, Open};
    // Row 2 is never examined, so the same rows starting at row 1 keep their first Alt.
    QTest::newRow("alt in row 2 stays") << QByteArrayList{KeyAUp, AltDown, Moved, AltDownLater, Open}
                                        << QByteArrayList{KeyAUp, AltDown, Moved, Open};
    QTest::newRow("no key up: rows 1 and 2 kept")
        << QByteArrayList{AltDown, AltDown, AltDown, Moved, AltDownLater, KeyADown, Open}
        << QByteArrayList{AltDown, AltDown, Moved, KeyADown, Open};
    QTest::newRow("alt above last key up stays") << QByteArrayList{Moved, Moved, AltDown, AltUp, AltDownLater, Open}
                                                 << QByteArrayList{Moved, Moved, AltDown, AltUp, Open};
    QTest::newRow("right alt") << QByteArrayList{Moved, Moved, "KeyDown()|VK_MENU;32824;10", Open}
                               << QByteArrayList{Moved, Moved, Open};
    QTest::newRow("alt as very last row")
        << QByteArrayList{Moved, KeyAUp, Moved, AltDown} << QByteArrayList{Moved, KeyAUp, Moved};
    QTest::newRow("consecutive alts at the end")
        << QByteArrayList{Moved, Moved, AltDown, AltDown, AltDown, AltDown} << QByteArrayList{Moved, Moved};
    QTest::newRow("substrings count") << QByteArrayList{Moved, Moved, "xKeyDown()y|aVK_MENUb", Open}
                                      << QByteArrayList{Moved, Moved, Open};
    QTest::newRow("action case matters") << QByteArrayList{Moved, Moved, "keydown()|VK_MENU;56;1", Open}
                                         << QByteArrayList{Moved, Moved, "keydown()|VK_MENU;56;1", Open};
    QTest::newRow("parameters case matters") << QByteArrayList{Moved, Moved, "KeyDown()|vk_menu;56;1", Open}
                                             << QByteArrayList{Moved, Moved, "KeyDown()|vk_menu;56;1", Open};
    QTest::newRow("needs the parentheses") << QByteArrayList{Moved, Moved, "KeyDown|VK_MENU;56;1", Open}
                                           << QByteArrayList{Moved, Moved, "KeyDown|VK_MENU;56;1", Open};
    QTest::newRow("contained key up stops")
        << QByteArrayList{Moved, AltDown, "xKeyUp()y|", AltDown} << QByteArrayList{Moved, AltDown, "xKeyUp()y|"};
    QTest::newRow("key up without parentheses does not stop")
        << QByteArrayList{Moved, Moved, AltDown, "KeyUp|VK_A;30;1", AltDown}
        << QByteArrayList{Moved, Moved, "KeyUp|VK_A;30;1"};
    QTest::newRow("row with both texts stops")
        << QByteArrayList{Moved, Moved, AltDown, "KeyDown()KeyUp()|VK_MENU;56;1"}
        << QByteArrayList{Moved, Moved, AltDown, "KeyDown()KeyUp()|VK_MENU;56;1"};
    QTest::newRow("alt in the key code field")
        << QByteArrayList{Moved, Moved, "KeyDown()|VK_A;VK_MENU;1"} << QByteArrayList{Moved, Moved};
    QTest::newRow("other key downs stay") << QByteArrayList{Moved, Moved, "KeyDown()|VK_F10;68;5", Open}
                                          << QByteArrayList{Moved, Moved, "KeyDown()|VK_F10;68;5", Open};
    QTest::newRow("fresh table") << QByteArrayList{Open} << QByteArrayList{Open};
    QTest::newRow("alt only in row 1") << QByteArrayList{AltDown} << QByteArrayList{AltDown};
    QTest::newRow("alts only in rows 1 and 2") << QByteArrayList{AltDown, AltDown} << QByteArrayList{AltDown, AltDown};
    QTest::newRow("all alts: count stays above 2")
        << QByteArrayList{AltDown, AltDown, AltDown} << QByteArrayList{AltDown, AltDown};
}

void TestAltCleanup::removesTrailingAltKeyDowns()
{
    QFETCH(QByteArrayList, before);
    QFETCH(QByteArrayList, after);
    ScriptTable table;
    fill(table, before);

    cleanUpTrailingModifiers(table, {QByteArrayLiteral("VK_MENU")});

    QCOMPARE(contents(table), after);
    QCOMPARE(table.rows(), int(after.size()) + 1);
}

// Alt+F10 while recording: the Alt press arrives (the F10 press fires the hotkey and never does), perhaps
// repeated while held, and only the clean-up takes it out again.
void TestAltCleanup::stopHotkeyRecordingLeavesNoAltRows()
{
    ScriptTable table;
    std::uint32_t clock = 0;
    InputRecorder recorder(table, clock);
    const auto key = [&](std::uint32_t message, std::uint32_t code, std::uint32_t time) {
        EventMsg e;
        e.message = message;
        e.paramH = code;
        e.time = time;
        recorder.JournalRecordProc(Hook::Action, e);
    };
    key(InputMessage::KeyDown, 30, 100);
    key(InputMessage::KeyUp, 30, 150);
    key(InputMessage::SysKeyDown, 56, 400);
    EventMsg moveEvent;
    moveEvent.message = InputMessage::MouseMove;
    moveEvent.paramL = 3;
    moveEvent.paramH = 4;
    moveEvent.time = 420;
    recorder.JournalRecordProc(Hook::Action, moveEvent);
    key(InputMessage::SysKeyDown, 56, 700);
    key(InputMessage::SysKeyDown, 56, 733);

    cleanUpTrailingModifiers(table, {QByteArrayLiteral("VK_MENU")});

    QCOMPARE(contents(table), (QByteArrayList{"KeyDown()|VK_A;30;1", "KeyUp()|VK_A;30;50", "Move()|3;4;20", "|"}));
}

QTEST_GUILESS_MAIN(TestAltCleanup)
#include "TestAltCleanup.moc"
