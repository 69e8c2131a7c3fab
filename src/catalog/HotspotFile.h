#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

namespace korvane {

// A hotspot file as its editor keeps it: every line with the line break that
// ended it, and the bytes from the NUL that ends the text on, which the
// browser never reads. Written back, the lines nobody changed keep their
// bytes, whatever they hold, and a file opened and saved unchanged is the
// same file.
class HotspotFileText
{
public:
    struct Line
    {
        QByteArray text;
        // CR LF, CR or LF; nothing after a last line that has none.
        QByteArray lineBreak;

        bool operator==(const Line &) const = default;
    };

    // The lines from index on that an edit takes away, and those it puts in
    // their place.
    struct Edit
    {
        qsizetype index = 0;
        std::vector<Line> removed;
        std::vector<Line> inserted;

        Edit reversed() const { return {index, inserted, removed}; }
    };

    HotspotFileText() = default;
    // Split by the line rules; a text of 4 GiB or more throws std::bad_alloc.
    explicit HotspotFileText(const QByteArray &bytes);

    QByteArray bytes() const;
    qsizetype size() const { return qsizetype(m_lines.size()); }
    const Line &line(qsizetype index) const { return m_lines[size_t(index)]; }

    // Edits that add a line after the last one (before the NUL), change a
    // line and remove one. A line added or changed ends in CR LF, as the
    // catalog's lists are written. A neighbour's line break changes only where
    // the file would otherwise read back as other lines: a last line without
    // one gets CR LF when a line follows it, and a lone CR that would meet
    // the LF of an empty line becomes CR LF.
    Edit appending(const QByteArray &text) const;
    Edit changing(qsizetype index, const QByteArray &text) const;
    Edit removing(qsizetype index) const;
    void apply(const Edit &edit);

private:
    std::vector<Line> m_lines;
    QByteArray m_afterText;
};

// The hotspot line NAME=X-Y, the name given in Windows-1251. y is never
// negative: the last "-" of a line is the one before y.
QByteArray composeHotspotLine(QByteArrayView win1251Name, qint32 x, qint32 y);

// Why a name cannot be written as a hotspot's name, or an empty text when it
// can: it is empty, holds "=" or a line break, or holds a character that
// Windows-1251 lacks (it would be written as "?").
QString refusedHotspotName(const QString &name);

} // namespace korvane
