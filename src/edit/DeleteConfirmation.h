#pragma once

class QWidget;

// Asks "Удалить?" with Yes and No; Yes is the default, Esc and closing the box answer No.
bool askDeleteConfirmation(QWidget *parent);
