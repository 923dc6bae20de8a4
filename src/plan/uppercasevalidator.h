#pragma once
#include <QValidator>

namespace plan {

// Typed text is taken in upper case, as the suite's codes are.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

}
