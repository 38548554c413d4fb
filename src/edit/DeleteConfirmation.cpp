#include "DeleteConfirmation.h"

bool askDeleteConfirmation(QWidget *parent)
{
    (void)parent;
    return false;
}
