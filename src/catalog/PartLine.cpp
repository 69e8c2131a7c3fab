#include "catalog/PartLine.h"

#include <QStringList>

#include <algorithm>

namespace {

// The position, from 1, of the first D in S; 0 when S holds none.
template <typename Text, typename Character>
qsizetype nextTokenEnd(Text S, Character D)
{
    return S.indexOf(D) + 1;
}

} // namespace

void NextToken(QString &S, QChar D, QString &Token)
{
    const qsizetype p = nextTokenEnd(QStringView(S), D);
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

QByteArrayView partCodeOfLine(QByteArrayView win1251Line)
{
    const QByteArrayView kept = win1251Line.first(std::min(win1251Line.size(), kPartLineCapacity));
    const qsizetype p = nextTokenEnd(kept, ' ');
    return p > 1 ? kept.first(p - 1) : QByteArrayView();
}

CodeAndDescription splitCodeAndDescription(const QString &line)
{
    constexpr int kDescriptionPieces = 12;
    QString work = line;
    CodeAndDescription split;
    NextToken(work, u' ', split.code);
    QStringList pieces;
    QString piece;
    for (int i = 0; i < kDescriptionPieces; ++i) {
        NextToken(work, u' ', piece);
        pieces.append(piece);
    }
    split.description = pieces.join(u' ');
    return split;
}

} // namespace korvane
