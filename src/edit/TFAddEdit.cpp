#include "TFAddEdit.h"

#include "FormStyle.h"
#include "script/ActionLine.h"
#include "script/ScriptTable.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <initializer_list>
#include <limits>

namespace
{

constexpr int kBoxLeft = 88;
constexpr int kBoxWidth = 250;
constexpr int kBoxHeight = 21;
constexpr int kRowStep = 27;

QLineEdit *addBox(QWidget *parent, int index)
{
    auto *const box = new QLineEdit(parent);
    // The box's own limit must not cut a text; longer ones are not put into it at all (fill below).
    box->setMaxLength(std::numeric_limits<int>::max());
    box->setGeometry(kBoxLeft, index * kRowStep, kBoxWidth, kBoxHeight);
    return box;
}

QLabel *addLabel(QWidget *parent, int index, const QString &text)
{
    auto *const label = new QLabel(text, parent);
    label->setGeometry(0, index * kRowStep, kBoxLeft - 4, kBoxHeight);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

TFAddEdit::TFAddEdit(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FAddEdit"));
    setWindowTitle(tr("Редактировать"));
    setFont(formFont());

    // Boxes first, in tab order; labels take no focus.
    Edit1 = addBox(this, 0);
    Edit2 = addBox(this, 1);
    Edit3 = addBox(this, 2);
    Edit4 = addBox(this, 3);
    Label1 = addLabel(this, 0, tr("Действие"));
    Label2 = addLabel(this, 1, tr("Задержка в мс"));
    Label3 = addLabel(this, 2, tr("п1"));
    Label4 = addLabel(this, 3, tr("п2"));
    Label1->setBuddy(Edit1);
    Label2->setBuddy(Edit2);
    Label3->setBuddy(Edit3);
    Label4->setBuddy(Edit4);

    Button2 = new QPushButton(tr("ОК"), this);
    Button2->setGeometry(112, 108, 75, 25);
    // Neither default nor auto-default, so Enter never presses it.
    Button2->setAutoDefault(false);
    Button2->setDefault(false);
    connect(Button2, &QPushButton::clicked, this, &TFAddEdit::Button2Click);

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, Edit4);
    setTabOrder(Edit4, Button2);

    // The window fits its content: the boxes end at the right edge and the button at the bottom.
    QRect content;
    for (const QWidget *control : std::initializer_list<const QWidget *>{Edit1, Edit4, Button2})
        content = content.united(control->geometry());
    setFixedSize(content.right() + 1, content.bottom() + 1);
}

int TFAddEdit::editRow(ScriptTable &table, int row)
{
    const QString action = table.cellText(ScriptTable::ActionColumn, row);
    const ParameterFields<QString> fields = splitParameters(table.cellText(ScriptTable::ParametersColumn, row));
    fill(0, Edit1, action);
    fill(1, Edit2, fields.third);
    fill(2, Edit3, fields.first);
    fill(3, Edit4, fields.second);
    if (action == QLatin1String("Move()")) {
        Label3->setText(tr("Координата Х"));
        Label4->setText(tr("Координата Y"));
    } else {
        Label3->setText(tr("Код клавиши"));
        Label4->setText(tr("Код клавиши2"));
    }
    Edit1->setFocus();

    m_table = &table;
    m_row = QPersistentModelIndex(table.gridIndex(row, ScriptTable::ActionColumn));
    m_rowReplaced = false;
    m_writtenRow = 0;
    const QMetaObject::Connection watch =
        connect(&table, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                    if (m_row.isValid() && m_row.row() >= topLeft.row() && m_row.row() <= bottomRight.row())
                        m_rowReplaced = true;
                });
    exec();
    disconnect(watch);
    m_table = nullptr;
    m_row = QPersistentModelIndex();
    for (QString &whole : m_wholeTexts)
        whole.clear();
    return m_writtenRow;
}

void TFAddEdit::fill(int index, QLineEdit *box, const QString &text)
{
    // Laying out a line edit's text costs seconds for megabytes: a longer text is shown cut and read-only,
    // and "ОК" writes it back whole.
    QString &whole = m_wholeTexts[std::size_t(index)];
    if (text.size() > MaximumEditableCharacters) {
        whole = text;
        box->setText(text.left(MaximumEditableCharacters) + QChar(0x2026));
        box->setReadOnly(true);
    } else {
        whole.clear();
        box->setText(text);
        box->setReadOnly(false);
    }
}

QString TFAddEdit::boxText(int index, const QLineEdit *box) const
{
    return box->isReadOnly() ? m_wholeTexts[std::size_t(index)] : box->text();
}

void TFAddEdit::Button2Click()
{
    if (m_table && m_row.isValid() && !m_rowReplaced) {
        const int row = ScriptTable::gridRow(m_row.row());
        m_writtenRow = row;
        m_table->setCellText(ScriptTable::ActionColumn, row, boxText(0, Edit1));
        m_table->setCellText(ScriptTable::ParametersColumn, row,
                             joinParameters(boxText(2, Edit3), boxText(3, Edit4), boxText(1, Edit2)));
    }
    accept();
}

void TFAddEdit::keyPressEvent(QKeyEvent *event)
{
    // QDialog would press a default button on Enter and reject on Esc; this dialog does neither.
    if (event->key() == Qt::Key_Escape || isEnter(event->key())) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
