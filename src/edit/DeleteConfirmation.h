#pragma once

class QWidget;

// Asks "Удалить?" with Yes and No; true for Yes.
bool askDeleteConfirmation(QWidget *parent);
