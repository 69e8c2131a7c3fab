#pragma once

#include <QByteArrayView>
#include <QChar>
#include <QString>

// Cuts the text before the first D, and the D, off the front of S into Token.
// Without a D in S, Token is empty and S stays as it was. The window's
// handlers and the catalog checker cut part lines with it alike.
void NextToken(QString &S, QChar D, QString &Token);

namespace korvane {

// A selected part line is kept to its first 255 characters; the part code cut
// from it names photos by its first 64.
inline constexpr qsizetype kPartLineCapacity = 255;
inline constexpr qsizetype kPartCodeCapacity = 64;

// The part code a selection takes from a part line: the text before the first
// space among the line's first 255 characters, empty when they hold none or
// begin with one. Tabs do not end it.
QString partCodeOfLine(const QString &line);
// The same of a line in its file's Windows-1251 bytes, one byte a character.
QByteArrayView partCodeOfLine(QByteArrayView win1251Line);

// A part line split into the editor's code and description, as the
// maintenance tools split it: NextToken cuts the code at the first space, then
// twelve more pieces the same way, which are joined by single spaces, always
// eleven of them whatever the pieces hold. Once no space is left every piece
// is empty, so the text after the last space never arrives, nor any word
// after the thirteenth.
struct CodeAndDescription
{
    QString code;
    QString description;
};
CodeAndDescription splitCodeAndDescription(const QString &line);

} // namespace korvane
