#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// Spin arrows for a line edit that accepts any typed text: the arrows step the edit's number within
// [minimum, maximum] and write it back; text typed by hand is left for the command that reads it.
class UpDown : public QWidget
{
    Q_OBJECT

  public:
    UpDown(QLineEdit *associate, int minimum, int maximum, QWidget *parent = nullptr);

    int position() const { return m_position; }
    void stepBy(int steps);

  private:
    QLineEdit *m_associate;
    int m_minimum;
    int m_maximum;
    int m_position;
};
