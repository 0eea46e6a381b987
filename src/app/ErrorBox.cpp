#include "app/ErrorBox.h"

#include "app/Forms.h"

#include <QMessageBox>

namespace ErrorBox {

QString title()
{
    return Forms::ApplicationTitle;
}

void showMessageBox(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, title(), message, QMessageBox::Ok);
    box.exec();
}

} // namespace ErrorBox
