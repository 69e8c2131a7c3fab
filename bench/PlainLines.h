#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace bench {

// A catalog list held the plain way, to time Korvane's storage against: the
// file's bytes in a QByteArray and the line starts in a std::vector<quint32>,
// read in the same parts and indexed with the same block scan and line rules
// as readCatalogLines, in ordinary memory that grows by copying where the
// heap cannot grow it in place.
struct PlainLines
{
    QByteArray bytes;
    std::vector<quint32> starts; // every line's start, then the end of the text
};

PlainLines readPlainLines(const QString &path);

} // namespace bench
