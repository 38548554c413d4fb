#include "DeleteConfirmation.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

bool askDeleteConfirmation(QWidget *parent)
{
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(QStringLiteral("Confirm"));
    box.setText(QCoreApplication::translate("DeleteConfirmation", "Удалить?"));
    // Own buttons rather than the standard ones, so the texts do not follow the system's translation.
    QPushButton *const yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton *const no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}
