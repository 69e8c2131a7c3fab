#include "catalog/PartLine.h"

namespace {

// The position, from 1, of the first D in S; 0 when S holds none.
qsizetype nextTokenEnd(QStringView S, QChar D)
{
    return S.indexOf(D) + 1;
}

} // namespace

void NextToken(QString &S, QChar D, QString &Token)
{
    const qsizetype p = nextTokenEnd(S, D);
    Token = p > 1 ? S.left(p - 1) : QString();
    if (p > 0)
        S.remove(0, p);
}

namespace korvane {

QString partCodeOfLine(const QString &line)
{
    // NextToken's token, taken without cutting a copy of the line: a check
    // runs through a million of them.
    const QStringView kept = QStringView(line).left(kPartLineCapacity);
    const qsizetype p = nextTokenEnd(kept, u' ');
    return p > 1 ? kept.left(p - 1).toString() : QString();
}

} // namespace korvane
