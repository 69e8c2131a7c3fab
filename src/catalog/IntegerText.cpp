#include "catalog/IntegerText.h"

#include "catalog/Failure.h"
#include "catalog/Win1251.h"

namespace korvane {

namespace {

int hexDigitValue(char16_t u)
{
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Every character the rule looks at is ASCII, which Windows-1251 keeps as
// it is.
template <typename Fail>
qint32 convert(QByteArrayView text, Fail fail)
{
    const auto at = [text](qsizetype i) { return char16_t(static_cast<unsigned char>(text[i])); };
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && at(i) == u' ')
        ++i;

    const bool dollar = i < n && at(i) == u'$';
    const bool zeroX = i + 1 < n && at(i) == u'0' && (at(i + 1) == u'x' || at(i + 1) == u'X');
    if (dollar || zeroX) {
        i += dollar ? 1 : 2;
        const qsizetype digits = n - i;
        if (digits < 1 || digits > 8)
            throw fail();
        quint32 value = 0;
        for (; i < n; ++i) {
            const int digit = hexDigitValue(at(i));
            if (digit < 0)
                throw fail();
            value = (value << 4) | quint32(digit);
        }
        return qint32(value);
    }

    bool negative = false;
    if (i < n && (at(i) == u'+' || at(i) == u'-')) {
        negative = at(i) == u'-';
        ++i;
    }
    if (i == n)
        throw fail();
    // Accumulated in 64 bits and checked at every digit, so no length of
    // digits can overflow the check itself.
    qint64 magnitude = 0;
    const qint64 limit = negative ? qint64(2147483648) : qint64(2147483647);
    for (; i < n; ++i) {
        const char16_t u = at(i);
        if (u < u'0' || u > u'9')
            throw fail();
        magnitude = magnitude * 10 + (u - u'0');
        if (magnitude > limit)
            throw fail();
    }
    return qint32(negative ? -magnitude : magnitude);
}

Failure notAnInteger(const QString &quoted)
{
    return Failure(QStringLiteral("'%1' is not a valid integer value").arg(quoted));
}

} // namespace

qint32 convertToInteger(QByteArrayView win1251)
{
    return convert(win1251, [win1251] {
        // Only the ends of a huge text are decoded for the message.
        const qsizetype keep = Failure::kQuotedCapacity;
        const QString shown = win1251.size() <= keep
                                  ? decodeWin1251(win1251)
                                  : decodeWin1251(win1251.first(keep)) + decodeWin1251(win1251.last(keep));
        return notAnInteger(win1251.size() <= keep ? shown : Failure::quoted(shown));
    });
}

} // namespace korvane
