#include "edit/DeleteConfirmation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace
{

// Answers the box once it is up; `answer` must close it.
bool ask(const std::function<void(QMessageBox &)> &answer)
{
    QTimer::singleShot(0, [answer] {
        if (auto *const box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            answer(*box);
    });
    return askDeleteConfirmation(nullptr);
}

QAbstractButton *buttonWithText(QMessageBox &box, const QString &text)
{
    for (QAbstractButton *button : box.buttons()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

} // namespace

class TestDeleteConfirmation : public QObject
{
    Q_OBJECT

  private slots:
    void showsQuestionWithYesDefault();
    void answers_data();
    void answers();
};

void TestDeleteConfirmation::showsQuestionWithYesDefault()
{
    QString text, title, defaultText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    ask([&](QMessageBox &box) {
        text = box.text();
        title = box.windowTitle();
        icon = box.icon();
        for (const QAbstractButton *button : box.buttons())
            buttons << button->text();
        defaultText = box.defaultButton() ? box.defaultButton()->text() : QString();
        box.close();
    });
    QCOMPARE(text, QStringLiteral("Удалить?"));
    QCOMPARE(title, QStringLiteral("Confirm"));
    QCOMPARE(icon, QMessageBox::Question);
    buttons.sort();
    QCOMPARE(buttons, (QStringList{QStringLiteral("&No"), QStringLiteral("&Yes")}));
    QCOMPARE(defaultText, QStringLiteral("&Yes"));
}

void TestDeleteConfirmation::answers_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("result");
    QTest::newRow("Yes clicked") << "yes" << true;
    QTest::newRow("No clicked") << "no" << false;
    QTest::newRow("Enter presses the default") << "enter" << true;
    QTest::newRow("Esc") << "escape" << false;
    QTest::newRow("close button") << "close" << false;
}

void TestDeleteConfirmation::answers()
{
    QFETCH(QString, how);
    QFETCH(bool, result);
    const bool answer = ask([how](QMessageBox &box) {
        if (how == QLatin1String("yes"))
            QTest::mouseClick(buttonWithText(box, QStringLiteral("&Yes")), Qt::LeftButton);
        else if (how == QLatin1String("no"))
            QTest::mouseClick(buttonWithText(box, QStringLiteral("&No")), Qt::LeftButton);
        else if (how == QLatin1String("enter"))
            QTest::keyClick(&box, Qt::Key_Return);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(&box, Qt::Key_Escape);
        if (box.isVisible())
            box.close();
    });
    QCOMPARE(answer, result);
}

QTEST_MAIN(TestDeleteConfirmation)
#include "TestDeleteConfirmation.moc"
