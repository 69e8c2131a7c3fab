#pragma once

#include "catalog/MappedBuffer.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <memory>

namespace korvane {

// A catalog list as its file's text and the start of every line, the way a
// log viewer holds a file of gigabytes: a line is decoded from Windows-1251
// only when it is shown or asked for, so a list of a million lines costs
// little more than its file, and replacing it frees two blocks.
//
// The line rules: the text ends at its end or at its first NUL; a line runs
// to the next CR or LF; after it one CR, then one LF is skipped, so CR LF, CR
// and LF each end one line while LF CR ends two. A final line break adds no
// empty line; an empty text gives no lines.
//
// Lines the program adds afterwards (a maintenance tool appends one holding
// line breaks) are kept as text after the file's lines.
class CatalogLines
{
public:
    CatalogLines() = default;
    // Texts of 4 GiB or more are refused with std::bad_alloc: a catalog list
    // of that size does not fit what the program keeps per line.
    static CatalogLines fromText(QByteArrayView text);

    qsizetype size() const { return textLineCount() + m_added.size(); }

    QString line(qsizetype index) const;
    QStringList toStringList() const;
    void append(const QString &line) { m_added.append(line); }

    // Every line followed by CR LF, in Windows-1251: the file as the list is
    // written. The file's lines give back their bytes.
    QByteArray joined() const;

    // The lines that came from the text, as their bytes, for the searches.
    qsizetype textLineCount() const { return m_text ? qsizetype(m_text->starts.size()) - 1 : 0; }
    QByteArrayView textLine(qsizetype index) const
    {
        const Text &text = *m_text;
        const char *data = text.bytes.constData();
        const qsizetype start = text.starts[size_t(index)];
        qsizetype end = text.starts[size_t(index) + 1];
        // What lies between a line and the next one's start is its line
        // break: CR, LF or CR LF, never part of a line.
        if (end > start && data[end - 1] == '\n') {
            --end;
            if (end > start && data[end - 1] == '\r')
                --end;
        } else if (end > start && data[end - 1] == '\r') {
            --end;
        }
        return QByteArrayView(data + start, end - start);
    }
    // The line with its line break, up to where the next line starts: the
    // prefix search compares there without finding the line's end first, as
    // no line break can equal a character of a line.
    QByteArrayView textLineWithBreak(qsizetype index) const
    {
        const Text &text = *m_text;
        const qsizetype start = text.starts[size_t(index)];
        return QByteArrayView(text.bytes.constData() + start, text.starts[size_t(index) + 1] - start);
    }
    const QStringList &addedLines() const { return m_added; }

private:
    // The line starts: a growing array in memory of its own (MappedBuffer).
    class Starts
    {
    public:
        void push_back(quint32 start)
        {
            if (m_size == m_capacity)
                grow(m_size + 1);
            m_data[m_size++] = start;
        }
        // Where the next start goes, and where the room ends: the scan
        // writes starts there and says where it stopped, asking for room
        // before each block (at most one start a byte).
        quint32 *end() { return m_data + m_size; }
        quint32 *roomEnd() { return m_data + m_capacity; }
        void setEnd(const quint32 *end) { m_size = size_t(end - m_data); }
        void makeRoom(size_t count)
        {
            if (m_capacity - m_size < count)
                grow(m_size + count);
        }
        void pop_back() { --m_size; }
        quint32 &back() { return m_data[m_size - 1]; }
        void shrink_to_fit();
        size_t size() const { return m_size; }
        quint32 operator[](size_t index) const { return m_data[index]; }

    private:
        // At least this many starts fit after it, and twice as many as before.
        void grow(size_t atLeast);

        MappedBuffer m_memory;
        quint32 *m_data = nullptr;
        size_t m_size = 0;
        size_t m_capacity = 0;
    };

    struct Text
    {
        MappedBuffer bytes;
        // Where every line starts, and after the last one where the text
        // ends: a line is read from its start to the next one's.
        Starts starts;
    };

public:
    // Builds a list while its text is being read: each part is indexed while
    // it is still in the processor's cache, and the NUL that ends the text is
    // found on the way, so that reading can stop there.
    class Builder
    {
    public:
        Builder();
        // Indexes the text read so far, its first size bytes, as far as whole
        // blocks and the byte after them go. False once the text has ended
        // at a NUL.
        bool scan(const char *data, qsizetype size);
        // The text read: its bytes up to the NUL found, or all of them.
        qsizetype endIn(qsizetype size) const { return m_end >= 0 ? m_end : size; }
        // The whole text has been read; it is indexed to its end.
        CatalogLines finish(MappedBuffer text);

    private:
        std::shared_ptr<Text> m_text;
        qsizetype m_scanned = 0;
        qsizetype m_end = -1;
    };

private:
    std::shared_ptr<const Text> m_text;
    QStringList m_added;
};

} // namespace korvane
