#include "catalog/HotspotFile.h"

#include "catalog/CatalogLines.h"
#include "catalog/Win1251.h"

#include <algorithm>

namespace korvane {

namespace {

const QByteArray kCrLf = QByteArrayLiteral("\r\n");

} // namespace

HotspotFileText::HotspotFileText(const QByteArray &bytes)
{
    const CatalogLines lines = CatalogLines::fromText(bytes);
    m_lines.reserve(size_t(lines.textLineCount()));
    qsizetype end = 0;
    for (qsizetype i = 0; i < lines.textLineCount(); ++i) {
        const QByteArrayView withBreak = lines.textLineWithBreak(i);
        const QByteArrayView text = lines.textLine(i);
        m_lines.push_back({text.toByteArray(), withBreak.sliced(text.size()).toByteArray()});
        end += withBreak.size();
    }
    // The text ends at the first NUL; what follows it is kept as it is.
    m_afterText = bytes.sliced(end);
}

QByteArray HotspotFileText::bytes() const
{
    qsizetype size = m_afterText.size();
    for (const Line &line : m_lines)
        size += line.text.size() + line.lineBreak.size();
    QByteArray out;
    out.reserve(size);
    for (const Line &line : m_lines)
        out.append(line.text).append(line.lineBreak);
    return out.append(m_afterText);
}

HotspotFileText::Edit HotspotFileText::appending(const QByteArray &text) const
{
    Edit edit{size(), {}, {{text, kCrLf}}};
    if (!m_lines.empty() && m_lines.back().lineBreak.isEmpty()) {
        // The last line had no line break: the new one would join it.
        edit.index = size() - 1;
        edit.removed = {m_lines.back()};
        edit.inserted.insert(edit.inserted.begin(), {m_lines.back().text, kCrLf});
    }
    return edit;
}

HotspotFileText::Edit HotspotFileText::changing(qsizetype index, const QByteArray &text) const
{
    return {index, {line(index)}, {{text, kCrLf}}};
}

HotspotFileText::Edit HotspotFileText::removing(qsizetype index) const
{
    // A lone CR before the line and an empty line with LF after it would
    // read back as one CR LF, losing the empty line.
    if (index > 0 && index + 1 < size() && line(index - 1).lineBreak == "\r" && line(index + 1).text.isEmpty()
        && line(index + 1).lineBreak.startsWith('\n'))
        return {index - 1, {line(index - 1), line(index)}, {{line(index - 1).text, kCrLf}}};
    return {index, {line(index)}, {}};
}

void HotspotFileText::apply(const Edit &edit)
{
    // A line changed in place (a point moved) moves no other line.
    if (edit.removed.size() == edit.inserted.size()) {
        std::copy(edit.inserted.begin(), edit.inserted.end(), m_lines.begin() + edit.index);
        return;
    }
    const auto at = m_lines.begin() + edit.index;
    m_lines.erase(at, at + qsizetype(edit.removed.size()));
    m_lines.insert(m_lines.begin() + edit.index, edit.inserted.begin(), edit.inserted.end());
}

QByteArray composeHotspotLine(QByteArrayView win1251Name, qint32 x, qint32 y)
{
    return win1251Name.toByteArray() + '=' + QByteArray::number(x) + '-' + QByteArray::number(y);
}

QString refusedHotspotName(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("A hotspot needs a name: a press on a nameless one writes nothing into the search");
    if (name.contains(u'='))
        return QStringLiteral("A hotspot name cannot hold \"=\"");
    if (name.contains(u'\r') || name.contains(u'\n'))
        return QStringLiteral("A hotspot name cannot hold a line break");
    if (name.contains(QChar(0)))
        return QStringLiteral("A hotspot name cannot hold a NUL character");
    // Written, a character the code page lacks becomes "?".
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (decodeWin1251(encodeWin1251(name.sliced(i, 1))) != name.sliced(i, 1)) {
            const qsizetype length = name.at(i).isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
            return QStringLiteral("\"%1\" is not in Windows-1251, the catalog's code page").arg(name.sliced(i, length));
        }
    }
    return QString();
}

} // namespace korvane
