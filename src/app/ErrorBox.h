#pragma once

#include <QString>

// The application's standard error box: what the guard's presenter is in
// the program.
namespace ErrorBox {

// The title the box carries: the application title.
QString title();

// A critical message box with the message, modal until closed.
void showMessageBox(const QString &message);

} // namespace ErrorBox
