#include "base/Errors.h"

OcellaneError::OcellaneError(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}

QString OcellaneError::message() const
{
    return m_message;
}

ListIndexError::ListIndexError(qsizetype index)
    : OcellaneError(QStringLiteral("List index out of bounds (%1)").arg(index)), m_index(index)
{
}
