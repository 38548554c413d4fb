#include "TFAbout.h"

#include <QCloseEvent>

TFAbout::TFAbout(QWidget *parent) : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("О программе"));
    resize(382, 210);
}

void TFAbout::closeEvent(QCloseEvent *event)
{
    event->ignore();
    hide();
}
