#include "singlelinevalidator.h"

#include <QRegularExpression>

QValidator::State SingleLineValidator::validate(QString& input, int& pos) const {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|[\r\n\u2028\u2029]"));
    const int before = input.size();
    input.replace(lineBreak, QStringLiteral(" "));
    pos = qMax(0, pos - (before - input.size()));
    return Acceptable;
}
