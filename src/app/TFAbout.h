#pragma once

#include <QWidget>

// The About window: created hidden at start-up, shown by the tray menu, hidden again when closed.
class TFAbout : public QWidget
{
    Q_OBJECT

public:
    explicit TFAbout(QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
};
