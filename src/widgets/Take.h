#pragma once

#include <QWidget>

// Windows build their controls from layout tables, then find each one by
// its stored name to fill the member of the same name.
template<typename T>
void take(QWidget *parent, T *&member, const char *name)
{
    member = parent->findChild<T *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    Q_ASSERT(member);
}
