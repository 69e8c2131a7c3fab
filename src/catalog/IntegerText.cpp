#include "catalog/IntegerText.h"

#include "catalog/Failure.h"

namespace korvane {

namespace {

int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

qint32 convertToInteger(const QString &text)
{
    const auto fail
        = [&text]() { return Failure(QStringLiteral("'%1' is not a valid integer value").arg(Failure::quoted(text))); };
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == u' ')
        ++i;

    const bool dollar = i < n && text.at(i) == u'$';
    const bool zeroX = i + 1 < n && text.at(i) == u'0' && (text.at(i + 1) == u'x' || text.at(i + 1) == u'X');
    if (dollar || zeroX) {
        i += dollar ? 1 : 2;
        const qsizetype digits = n - i;
        if (digits < 1 || digits > 8)
            throw fail();
        quint32 value = 0;
        for (; i < n; ++i) {
            const int digit = hexDigitValue(text.at(i));
            if (digit < 0)
                throw fail();
            value = (value << 4) | quint32(digit);
        }
        return qint32(value);
    }

    bool negative = false;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    if (i == n)
        throw fail();
    // Accumulated in 64 bits and checked at every digit, so no length of
    // digits can overflow the check itself.
    qint64 magnitude = 0;
    const qint64 limit = negative ? qint64(2147483648) : qint64(2147483647);
    for (; i < n; ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < u'0' || u > u'9')
            throw fail();
        magnitude = magnitude * 10 + (u - u'0');
        if (magnitude > limit)
            throw fail();
    }
    return qint32(negative ? -magnitude : magnitude);
}

} // namespace korvane
