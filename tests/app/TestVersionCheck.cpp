// The version texts of the update check, without a window or a network.

#include "app/VersionCheck.h"

#include <QTest>

class TestVersionCheck : public QObject
{
    Q_OBJECT

  private slots:
    void serverVersionFromReply_data();
    void serverVersionFromReply();
    void isNewerVersion_data();
    void isNewerVersion();
    void malformedProgramVersionIsNeverOlder();
};

void TestVersionCheck::serverVersionFromReply_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("version");
    QTest::newRow("page") << "<html>2.0.2.0;<b>News</b>"
                          << "2.0.2.0";
    QTest::newRow("no >") << "2.0.2.0;News"
                          << "2.0.2.0";
    QTest::newRow("first > even after the version") << "2.0.2.0;<b>x;"
                                                    << "x";
    QTest::newRow("no ;") << "<html>2.0.2.0 <b>News</b>"
                          << "";
    QTest::newRow("; only before the >") << "<p style='a;b'>2.0.2.0"
                                         << "";
    QTest::newRow("first > and first ; after it") << "<a><b>1.2.3.4;5.6.7.8;"
                                                  << "<b>1.2.3.4";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("> at the end") << "<html>"
                                  << "";
    QTest::newRow("empty version") << "<html>;"
                                   << "";
    QTest::newRow("keeps blanks") << "<html> 2.0.2.0 ;"
                                  << " 2.0.2.0 ";
}

void TestVersionCheck::serverVersionFromReply()
{
    QFETCH(QString, body);
    QFETCH(QString, version);
    QCOMPARE(::serverVersionFromReply(body), version);
}

void TestVersionCheck::isNewerVersion_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("newer");
    QTest::newRow("equal") << "2.0.1.0" << false;
    QTest::newRow("fourth component only") << "2.0.1.1" << true;
    QTest::newRow("third component") << "2.0.2.0" << true;
    QTest::newRow("older fourth") << "2.0.0.9" << false;
    QTest::newRow("higher first, lower rest") << "3.0.0.0" << true;
    QTest::newRow("lower first, higher rest") << "1.9.9.9" << false;
    QTest::newRow("compared as numbers") << "10.0.0.0" << true;
    QTest::newRow("second as number") << "2.10.0.0" << true;
    QTest::newRow("leading zeros equal") << "02.00.01.00" << false;
    QTest::newRow("leading zeros newer") << "2.0.1.0010" << true;
    QTest::newRow("beyond any integer type") << "2.0.1.99999999999999999999999" << true;
    QTest::newRow("huge but older") << "1.99999999999999999999999.0.0" << false;
    QTest::newRow("two dots") << "2.0.2" << false;
    QTest::newRow("four dots") << "2.0.2.0.0" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters") << "2.0.a.0" << false;
    QTest::newRow("hex") << "2.0.0x2.0" << false;
    QTest::newRow("empty component") << "3..0.0" << false;
    QTest::newRow("trailing dot") << "3.0.0." << false;
    QTest::newRow("sign") << "+3.0.0.0" << false;
    QTest::newRow("negative") << "2.0.1.-1" << false;
    QTest::newRow("blank") << " 3.0.0.0" << false;
    QTest::newRow("other digits") << QString::fromUtf8("\u0663.0.0.0") << false;
}

void TestVersionCheck::isNewerVersion()
{
    QFETCH(QString, server);
    QFETCH(bool, newer);
    QCOMPARE(ProgramVersion, QStringLiteral("2.0.1.0"));
    QCOMPARE(::isNewerVersion(server, ProgramVersion), newer);
}

void TestVersionCheck::malformedProgramVersionIsNeverOlder()
{
    QVERIFY(!::isNewerVersion(QStringLiteral("9.9.9.9"), QStringLiteral("2.0.1")));
    QVERIFY(!::isNewerVersion(QStringLiteral("9.9.9.9"), QString()));
}

QTEST_APPLESS_MAIN(TestVersionCheck)
#include "TestVersionCheck.moc"
