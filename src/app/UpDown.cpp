#include "UpDown.h"

#include "script/IntegerConversion.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

UpDown::UpDown(QLineEdit *associate, int minimum, int maximum, QWidget *parent)
    : QWidget(parent), m_associate(associate), m_minimum(minimum), m_maximum(maximum), m_position(minimum)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const bool up : {true, false}) {
        auto *button = new QToolButton(this);
        button->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFixedSize(16, 10);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, [this, up] { stepBy(up ? 1 : -1); });
        layout->addWidget(button);
    }
    m_associate->setText(QString::number(m_position));
}

void UpDown::stepBy(int steps)
{
    // Start from the edit's number when it holds one, as the arrows of a buddy edit do.
    std::int32_t typed = 0;
    if (tryStrToInt(m_associate->text().toLatin1(), typed))
        m_position = std::clamp<int>(typed, m_minimum, m_maximum);
    m_position = std::clamp(m_position + steps, m_minimum, m_maximum);
    m_associate->setText(QString::number(m_position));
}
