#pragma once

#include <QValidator>

// Keeps a one-line box on one line. A list line can hold no line break: one
// would split it in the saved file and shift every later line (and end up
// inside an HTTP request). Like the classic single-line edit control, the
// text stops at the first line break a paste brings in.
class SingleLineValidator : public QValidator
{
    Q_OBJECT

public:
    using QValidator::QValidator;

    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
};
