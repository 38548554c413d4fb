// The interface language: Russian by default, English through the option or the setting, Qt's own texts
// following along, and the texts a Part fixes staying as they are.

#include "LoopbackUpdateServer.h"
#include "app/InterfaceLanguage.h"
#include "app/TFAbout.h"
#include "app/TFmain.h"
#include "edit/DeleteConfirmation.h"
#include "edit/TFAddEdit.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakePlatform.h"
#include "script/ScriptTable.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>

#include <memory>

class TestInterfaceLanguage : public QObject
{
    Q_OBJECT

  private slots:
    void cleanup();
    void choiceFavoursTheOptionThenTheSetting_data();
    void choiceFavoursTheOptionThenTheSetting();
    void russianByDefault();
    void englishCaptions();
    void qtTextsFollowTheLanguage();
    void fixedTextsStayInEveryLanguage();

  private:
    // The captions of a fresh main window.
    QStringList captions();
};

void TestInterfaceLanguage::cleanup()
{
    for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

void TestInterfaceLanguage::choiceFavoursTheOptionThenTheSetting_data()
{
    QTest::addColumn<QVariant>("option");
    QTest::addColumn<QVariant>("setting");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing") << QVariant() << QVariant() << QStringLiteral("ru");
    QTest::newRow("setting") << QVariant() << QVariant("en") << QStringLiteral("en");
    QTest::newRow("setting with blanks and capitals") << QVariant() << QVariant(" EN ") << QStringLiteral("en");
    QTest::newRow("option over setting") << QVariant("ru") << QVariant("en") << QStringLiteral("ru");
    QTest::newRow("option alone") << QVariant("en") << QVariant() << QStringLiteral("en");
    QTest::newRow("unknown setting") << QVariant() << QVariant("de") << QStringLiteral("ru");
}

void TestInterfaceLanguage::choiceFavoursTheOptionThenTheSetting()
{
    QFETCH(QVariant, option);
    QFETCH(QVariant, setting);
    QFETCH(QString, expected);
    const auto optional = [](const QVariant &value) {
        return value.isValid() ? std::optional<QString>(value.toString()) : std::nullopt;
    };
    QCOMPARE(InterfaceLanguage::choose(optional(option), optional(setting)), expected);
}

QStringList TestInterfaceLanguage::captions()
{
    FakePlatform fakes;
    FakeDesktop desktop;
    TFmain window(fakes.platform, desktop, offlineUpdateSettings());
    TFAddEdit dialog(&window);
    TFAbout about;
    return {window.ToolButton1->text(),
            window.N10->text(),
            window.N5->text(),
            window.RadioGroup1Random->text(),
            window.Script->headerData(ScriptTable::ActionColumn, Qt::Horizontal).toString(),
            window.undoAction->text(),
            dialog.windowTitle(),
            about.windowTitle()};
}

void TestInterfaceLanguage::russianByDefault()
{
    QCOMPARE(captions(), (QStringList{"Запись", "Скрипт", "Выход", "Случайный", "Действие", "Отменить", "Редактировать",
                                      "О программе"}));
    // Installing Russian is the default too: our texts are Russian in the sources.
    QVERIFY(InterfaceLanguage::install(*qApp, QStringLiteral("ru")));
    QCOMPARE(captions().constFirst(), QStringLiteral("Запись"));
}

void TestInterfaceLanguage::englishCaptions()
{
    QVERIFY(InterfaceLanguage::install(*qApp, QStringLiteral("en")));
    QCOMPARE(captions(), (QStringList{"Record", "Script", "Exit", "Random", "Action", "Undo", "Edit", "About"}));
}

void TestInterfaceLanguage::qtTextsFollowTheLanguage()
{
    // The file dialogs' own words: English in Qt's sources, Russian through Qt's translation.
    InterfaceLanguage::install(*qApp, QStringLiteral("ru"));
    if (QCoreApplication::translate("QFileDialog", "Open") == QLatin1String("Open"))
        QSKIP("Qt's Russian translation (qt6-translations-l10n) is not installed");
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Save As"), QStringLiteral("Сохранить как"));
    cleanup();
    InterfaceLanguage::install(*qApp, QStringLiteral("en"));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Open"), QStringLiteral("Open"));
}

void TestInterfaceLanguage::fixedTextsStayInEveryLanguage()
{
    for (const char *language : {"ru", "en"}) {
        cleanup();
        InterfaceLanguage::install(*qApp, QString::fromLatin1(language));
        QStringList seen;
        QTimer::singleShot(0, this, [&seen] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen << box->windowTitle();
            for (QAbstractButton *button : box->buttons())
                seen << button->text();
            box->reject();
        });
        askDeleteConfirmation(nullptr);
        QCOMPARE(seen, (QStringList{"Confirm", "&Yes", "&No"}));
    }
}

QTEST_MAIN(TestInterfaceLanguage)
#include "TestInterfaceLanguage.moc"
