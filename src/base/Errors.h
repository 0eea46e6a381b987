#pragma once

#include <QString>
#include <stdexcept>

// The one error type that handlers let escape: its message is what the
// standard error box shows. Anything else that escapes is shown too, but
// with a generic text.
class OcellaneError : public std::runtime_error
{
public:
    explicit OcellaneError(const QString &message);
    QString message() const;

private:
    QString m_message;
};

// Reading or replacing a list line that the list does not hold. The wording
// is the one users of the original toolkit know.
class ListIndexError : public OcellaneError
{
public:
    explicit ListIndexError(qsizetype index);
    qsizetype index() const { return m_index; }

private:
    qsizetype m_index;
};

// A list or settings file that cannot be read or written.
class FileError : public OcellaneError
{
public:
    using OcellaneError::OcellaneError;
};
