#include "catalog/PartLine.h"

void NextToken(QString &S, QChar D, QString &Token)
{
    const qsizetype p = S.indexOf(D) + 1; // 0 when S holds no D
    Token = p > 1 ? S.left(p - 1) : QString();
    if (p > 0)
        S.remove(0, p);
}

namespace korvane {

QString partCodeOfLine(const QString &line)
{
    QString work = line.left(kPartLineCapacity);
    QString code;
    NextToken(work, u' ', code);
    return code;
}

} // namespace korvane
