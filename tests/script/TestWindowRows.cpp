#include "core/Errors.h"
#include "script/ActionLine.h"
#include "script/ScriptFile.h"
#include "script/ScriptTable.h"
#include "script/WindowRows.h"

#include <QTemporaryDir>
#include <QTest>

namespace
{

WindowAnchor windowAnchor(const QString &windowClass, const QString &instance, const QString &title)
{
    WindowAnchor anchor;
    anchor.screen = false;
    anchor.windowClass = windowClass;
    anchor.instance = instance;
    anchor.title = title;
    anchor.x = -1280;
    anchor.y = 24;
    anchor.width = 640;
    anchor.height = 480;
    return anchor;
}

// Every word by which a reader that knows only the older rows finds a row to perform.
const QByteArrayView kOlderRowWords[] = {"Move",  "LUp", "LDown",     "RDown",  "RUp",
                                         "MDown", "MUp", "KeyDown()", "KeyUp()"};

} // namespace

class TestWindowRows : public QObject
{
    Q_OBJECT

  private slots:
    void olderReadersSkipTheNewRows();
    void anchorRowsAsWritten();
    void anyTitleSurvivesTheRowAndTheFile_data();
    void anyTitleSurvivesTheRowAndTheFile();
    void decodingNeverFails_data();
    void decodingNeverFails();
    void malformedNumbersAreConversionErrors_data();
    void malformedNumbersAreConversionErrors();
    void wheelRows();
};

void TestWindowRows::olderReadersSkipTheNewRows()
{
    for (const QByteArrayView action : {AnchorActionText, WheelActionText}) {
        for (const QByteArrayView word : kOlderRowWords)
            QVERIFY2(!action.contains(word), action.toByteArray().constData());
        QVERIFY(classifyAction(action).inert());
    }
    // The new kinds go by the whole text, so an older file's own inert texts stay inert.
    QVERIFY(isAnchorAction("Window()"));
    QVERIFY(!isAnchorAction("Window"));
    QVERIFY(!isAnchorAction("window()"));
    QVERIFY(!isWheelAction("xWheel()"));
}

void TestWindowRows::anchorRowsAsWritten()
{
    QCOMPARE(anchorParameters(WindowAnchor()), QByteArray(";;0"));
    QCOMPARE(anchorParameters(windowAnchor("XTerm", "xterm", "bash: ~/work")),
             QByteArray("XTerm,xterm,bash: ~/work;-1280,24,640,480;0"));
    QCOMPARE(anchorParameters(windowAnchor("Notepad", "notepad.exe", QStringLiteral("Безымянный — Блокнот"))),
             QByteArray("Notepad,notepad.exe,%D0%91%D0%B5%D0%B7%D1%8B%D0%BC%D1%8F%D0%BD%D0%BD%D1%8B%D0%B9 "
                        "%E2%80%94 %D0%91%D0%BB%D0%BE%D0%BA%D0%BD%D0%BE%D1%82;-1280,24,640,480;0"));

    std::int32_t delay = -1;
    const WindowAnchor screen = parseAnchorParameters(";;0", delay);
    QVERIFY(screen.screen);
    QCOMPARE(delay, 0);
    // A screen anchor names no window; whatever stands in its area field is not read.
    QVERIFY(parseAnchorParameters(";junk;7", delay).screen);
    QCOMPARE(delay, 7);
    QCOMPARE(windowAnchor("a", "b", "c").displayName(), QStringLiteral("a — c"));
}

void TestWindowRows::anyTitleSurvivesTheRowAndTheFile_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("separators") << QStringLiteral("a;b|c,d%e%41");
    QTest::newRow("line ends") << QStringLiteral("first\r\nsecond\rthird\nfourth");
    QTest::newRow("control bytes") << QString::fromUtf16(u"\x1A at the start\x1A\t\x7F");
    QTest::newRow("cyrillic") << QStringLiteral("Документ — Редактор");
    QTest::newRow("outside the code page") << QString::fromUtf16(u"日本語 \U0001F600 Ω");
    QTest::newRow("empty") << QString();
    QTest::newRow("only blanks") << QStringLiteral("  ");
}

void TestWindowRows::anyTitleSurvivesTheRowAndTheFile()
{
    QFETCH(QString, title);
    const WindowAnchor anchor = windowAnchor(title + QStringLiteral(";class"), title + QStringLiteral("|x"), title);
    const QByteArray parameters = anchorParameters(anchor);
    for (const char c : parameters)
        QVERIFY(c >= 0x20 && c < 0x7F);
    QCOMPARE(parameters.count(';'), 2);
    QVERIFY(!parameters.contains('|'));

    ScriptTable table;
    table.appendToLastRow(AnchorActionText, parameters);
    table.appendToLastRow(WheelActionText, wheelParameters({-240, 120}, 35));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("anchors.tpx"));
    saveScript(table, path);
    ScriptTable opened;
    openScript(path, opened);
    QCOMPARE(opened.rows(), 4);
    QCOMPARE(opened.action(1), AnchorActionText);
    std::int32_t delay = -1;
    const WindowAnchor back = parseAnchorParameters(opened.parameters(1), delay);
    QVERIFY(!back.screen);
    QCOMPARE(back.windowClass, anchor.windowClass);
    QCOMPARE(back.instance, anchor.instance);
    QCOMPARE(back.title, anchor.title);
    QVERIFY(back == anchor);
    QCOMPARE(delay, 0);
    QCOMPARE(opened.action(2), WheelActionText);
    const WheelTurn turn = parseWheelParameters(opened.parameters(2), delay);
    QCOMPARE(turn.vertical, -240);
    QCOMPARE(turn.horizontal, 120);
    QCOMPARE(delay, 35);
}

void TestWindowRows::decodingNeverFails_data()
{
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("lower-case digits") << QByteArray("%d0%b6") << QStringLiteral("ж");
    QTest::newRow("lone percent") << QByteArray("100%") << QStringLiteral("100%");
    QTest::newRow("one digit") << QByteArray("%4") << QStringLiteral("%4");
    QTest::newRow("not hexadecimal") << QByteArray("%G1x") << QStringLiteral("%G1x");
    QTest::newRow("typed by hand") << QByteArray("a;b") << QStringLiteral("a;b");
    QTest::newRow("not UTF-8") << QByteArray("%FF") << QString(QChar(QChar::ReplacementCharacter));
}

void TestWindowRows::decodingNeverFails()
{
    QFETCH(QByteArray, encoded);
    QFETCH(QString, decoded);
    QCOMPARE(decodeWindowText(encoded), decoded);
}

void TestWindowRows::malformedNumbersAreConversionErrors_data()
{
    QTest::addColumn<QByteArray>("parameters");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing height") << QByteArray("c,i,t;1,2,3;0") << "'' is not a valid integer value";
    QTest::newRow("five numbers") << QByteArray("c,i,t;1,2,3,4,5;0") << "'4,5' is not a valid integer value";
    QTest::newRow("no area") << QByteArray("c,i,t") << "'c,i,t' is not a valid integer value";
    QTest::newRow("delay") << QByteArray("c,i,t;1,2,3,4;x") << "'x' is not a valid integer value";
}

void TestWindowRows::malformedNumbersAreConversionErrors()
{
    QFETCH(QByteArray, parameters);
    QFETCH(QString, message);
    std::int32_t delay = 0;
    try {
        parseAnchorParameters(parameters, delay);
        QFAIL("no error");
    } catch (const ConversionError &error) {
        QCOMPARE(error.message(), message);
    }
}

void TestWindowRows::wheelRows()
{
    QCOMPARE(wheelParameters({-120, 0}, 16), QByteArray("-120;0;16"));
    std::int32_t delay = 0;
    const WheelTurn turn = parseWheelParameters("$78;-360;0", delay);
    QCOMPARE(turn.vertical, 120);
    QCOMPARE(turn.horizontal, -360);
    QCOMPARE(delay, 0);
    QVERIFY_THROWS_EXCEPTION(ConversionError, parseWheelParameters("1;2", delay));
    QVERIFY_THROWS_EXCEPTION(ConversionError, parseWheelParameters("1;2;3;4", delay));
}

QTEST_GUILESS_MAIN(TestWindowRows)
#include "TestWindowRows.moc"
