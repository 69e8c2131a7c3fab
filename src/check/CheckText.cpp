#include "check/CheckWalker.h"

#include "catalog/CatalogText.h"
#include "catalog/Win1251.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <bit>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Catalog texts are Windows-1251. Those saved as UTF-8 by a modern editor,
// with or without a byte-order mark, are the common fault; both have one
// certain mending, which --fix writes. A name pasted from a web page into a
// Windows-1251 list has none: only its line is reported.

namespace korvane::check {

namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");
constexpr quint64 kHighBits = 0x8080808080808080ull;

// The lines from line `from` to the end, as the one run of bytes they are.
QByteArrayView textFrom(const CatalogLines &lines, qsizetype from)
{
    const qsizetype count = lines.textLineCount();
    if (from >= count)
        return {};
    const char *begin = lines.textLineWithBreak(from).data();
    const QByteArrayView last = lines.textLineWithBreak(count - 1);
    return QByteArrayView(begin, last.data() + last.size() - begin);
}

bool isAscii(QByteArrayView text)
{
    const char *p = text.data();
    const char *const end = p + text.size();
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if (word & kHighBits)
            return false;
    }
    return std::all_of(p, end, [](char c) { return uchar(c) < 0x80; });
}

// The next place where a byte 11xxxxxx is followed by a byte 10xxxxxx: the
// only places a UTF-8 character of two or more bytes can start. In a
// Windows-1251 text such pairs are rare, so eight bytes are looked at at once.
const char *nextUtf8Start(const char *p, const char *end)
{
#if defined(__SSE2__)
    // Sixteen at once where the processor compares so (every x86-64 does).
    const __m128i topBits = _mm_set1_epi8(char(0xC0));
    const __m128i continuation = _mm_set1_epi8(char(0x80));
    for (; end - p >= 17; p += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 1));
        const __m128i lead = _mm_cmpeq_epi8(_mm_and_si128(here, topBits), topBits);
        const __m128i follows = _mm_cmpeq_epi8(_mm_and_si128(next, topBits), continuation);
        if (const int hits = _mm_movemask_epi8(_mm_and_si128(lead, follows)))
            return p + std::countr_zero(unsigned(hits));
    }
#endif
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    for (; end - p >= 9; p += 8) {
        quint64 word;
        quint64 next;
        std::memcpy(&word, p, 8);
        std::memcpy(&next, p + 1, 8);
        const quint64 lead = word & (word << 1) & kHighBits;
        const quint64 continuation = next & ~(next << 1) & kHighBits;
        if (const quint64 hits = lead & continuation)
            return p + std::countr_zero(hits) / 8;
    }
#endif
    for (; end - p >= 2; ++p) {
        if ((uchar(p[0]) & 0xC0) == 0xC0 && (uchar(p[1]) & 0xC0) == 0x80)
            return p;
    }
    return end;
}

// The length of the UTF-8 text pasted at p, or 0. Windows-1251 text holds
// the same byte pairs now and then (a capital letter before "»" or "…"), so
// only what is unlikely there counts: two or more UTF-8 characters in a row,
// or one of three bytes, each a character that Windows-1251 has (Cyrillic
// letters, dashes, quotes), which is what a Russian web page gives.
qsizetype pastedUtf8At(const char *p, const char *end)
{
    const char *q = p;
    qsizetype characters = 0;
    bool wide = false;
    while (q < end) {
        const uchar lead = uchar(*q);
        const qsizetype length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : 0;
        if (length == 0 || end - q < length || !convertUtf8ToWin1251(QByteArrayView(q, length)).has_value())
            break;
        ++characters;
        wide = wide || length == 3;
        q += length;
    }
    return characters >= 2 || wide ? q - p : 0;
}

// The line, from `from` on, that holds the byte at p.
qsizetype lineHolding(const CatalogLines &lines, qsizetype from, const char *p)
{
    qsizetype low = from;
    qsizetype high = lines.textLineCount() - 1;
    while (low < high) {
        const qsizetype middle = low + (high - low + 1) / 2;
        if (lines.textLineWithBreak(middle).data() <= p)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

// A piece of text as a finding quotes it, cut to a length that reads.
QString excerpt(const QString &text)
{
    constexpr qsizetype kShown = 40;
    return u'\'' + (text.size() <= kShown ? text : text.left(kShown) + QChar(0x2026)) + u'\'';
}

// Why --fix is not to write the file, or nothing.
QString whyNotWritten(const QByteArray &native)
{
    struct stat info;
    if (::lstat(native.constData(), &info) != 0)
        return QStringLiteral("it is gone");
    // A write through a link would change a file outside the catalog.
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("it is a symbolic link, which --fix never writes through; mend the file it points to");
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("it is no regular file");
    // The mode bits too: root may write anything, and must not here.
    if ((info.st_mode & 0222) == 0 || ::access(native.constData(), W_OK) != 0)
        return QStringLiteral("it is write-protected");
    // The toolkit names files in UTF-8.
    if (QFile::encodeName(QFile::decodeName(native)) != native)
        return QStringLiteral("its name on disk is not UTF-8; rename it first");
    return QString();
}

// The file's bytes replaced by their mending, written beside it and renamed
// over it. Empty when done, else why not.
QString replaceText(const QByteArray &native, const QByteArray &bytes)
{
    if (QString refused = whyNotWritten(native); !refused.isEmpty())
        return refused;
    QSaveFile file(QFile::decodeName(native));
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("it cannot be written: %1").arg(file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return QStringLiteral("it cannot be written: %1").arg(file.errorString());
    }
    if (!file.commit())
        return QStringLiteral("it cannot be written: %1").arg(file.errorString());
    return QString();
}

} // namespace

CatalogLines Walker::checkEncoding(const CatalogFile &file, CatalogLines lines)
{
    const qsizetype count = lines.textLineCount();
    const bool marked = count > 0 && lines.textLine(0).startsWith(kByteOrderMark);
    const QByteArrayView text = textFrom(lines, 0).sliced(marked ? kByteOrderMark.size() : 0);
    if (isAscii(text)) {
        if (!marked)
            return lines;
    } else if (!text.isValidUtf8()) {
        // Windows-1251, as it should be; a name pasted into it from a web
        // page keeps its UTF-8.
        for (const char *p = text.data(), *end = text.data() + text.size(); (p = nextUtf8Start(p, end)) < end;) {
            const qsizetype length = pastedUtf8At(p, end);
            if (length == 0) {
                ++p;
                continue;
            }
            const qsizetype line = lineHolding(lines, 0, p);
            const QByteArrayView pasted(p, length);
            warning({file.native, line + 1},
                    QStringLiteral("the line holds UTF-8 text, %1, in a Windows-1251 list: the browser shows it as "
                                   "%2; type it again in Windows-1251 (--fix mends only whole texts)")
                        .arg(excerpt(QString::fromUtf8(pasted)), excerpt(decodeWin1251(pasted))));
            p = line + 1 < count ? lines.textLineWithBreak(line + 1).data() : end;
        }
        if (!marked)
            return lines;
    }
    const bool utf8 = !isAscii(text);

    // The mending is made on the whole file, as it is written back: the
    // bytes after a NUL too, and its line breaks as they are.
    QByteArray raw;
    try {
        raw = readCatalogFile(file);
    } catch (const Failure &) {
        return lines;
    }
    if (marked && !raw.startsWith(kByteOrderMark))
        return lines; // changed meanwhile
    const QByteArray body = marked ? raw.sliced(kByteOrderMark.size()) : raw;
    qsizetype missingAt = -1;
    const std::optional<QByteArray> mended = utf8 ? convertUtf8ToWin1251(body, &missingAt) : body;

    // Without --fix, what would keep it from writing is said already.
    const QString refused = !mended         ? QString()
                            : m_setting.fix ? replaceText(file.native, *mended)
                                            : whyNotWritten(file.native);
    if (mended && m_setting.fix && refused.isEmpty()) {
        ++m_outcome.totals.filesFixed;
        add(Finding{file.native, 0, Severity::Note,
                    QStringLiteral("fixed: %1")
                        .arg(marked && utf8 ? QStringLiteral("the byte-order mark removed and the text converted "
                                                             "from UTF-8 to Windows-1251, its line breaks kept")
                             : marked       ? QStringLiteral("the byte-order mark removed")
                                            : QStringLiteral("the text converted from UTF-8 to Windows-1251, its "
                                                                   "line breaks kept"))});
        return CatalogLines::fromText(*mended);
    }

    // Where UTF-8 shows first, and what it should read.
    qsizetype firstWide = 0;
    while (firstWide + 1 < count && isAscii(lines.textLine(firstWide).sliced(firstWide == 0 && marked ? 3 : 0)))
        ++firstWide;
    QString unconvertible;
    if (utf8 && !mended) {
        if (missingAt < 0) {
            unconvertible = QStringLiteral("its bytes after the text's end (a NUL) are not UTF-8, so --fix cannot "
                                           "convert it whole; convert it with iconv -f UTF-8 -t CP1251");
        } else {
            // The body is the text read again: the same offset finds the line.
            const qsizetype line = missingAt < text.size() ? lineHolding(lines, 0, text.data() + missingAt) + 1 : 0;
            const char32_t character
                = QString::fromUtf8(body.constData() + missingAt, std::min<qsizetype>(4, body.size() - missingAt))
                      .toUcs4()
                      .value(0);
            unconvertible = QStringLiteral("it holds %1 (U+%2)%3, which Windows-1251 has not, so --fix cannot convert "
                                           "it whole; replace that character, then run korvane-check --fix")
                                .arg(excerpt(QString::fromUcs4(&character, 1)),
                                     QStringLiteral("%1").arg(uint(character), 4, 16, QLatin1Char('0')).toUpper(),
                                     line > 0 ? QStringLiteral(" on line %1").arg(line) : QString());
        }
    }
    const auto mend = [&](const char *verb) {
        if (!unconvertible.isEmpty())
            return unconvertible;
        if (!refused.isEmpty())
            return QStringLiteral("--fix does not write it: %1").arg(refused);
        QString mending = QStringLiteral("korvane-check --fix %1 it").arg(QLatin1String(verb));
        if (utf8)
            mending += QStringLiteral(" (or iconv -f UTF-8 -t CP1251)");
        return mending;
    };
    const bool fixable = mended && refused.isEmpty();
    if (marked) {
        const QByteArrayView first = lines.textLine(0);
        Finding finding{
            file.native, 1, Severity::Error,
            QStringLiteral("the text starts with a UTF-8 byte-order mark, which the browser reads as "
                           "the letters 'п»ї' at the start of the first line: %1; %2")
                .arg(excerpt(decodeWin1251(first.first(std::min<qsizetype>(first.size(), 60)))), mend("removes"))};
        finding.fixable = fixable;
        add(std::move(finding));
    }
    if (utf8) {
        const QByteArrayView line = lines.textLine(firstWide).sliced(firstWide == 0 && marked ? 3 : 0);
        const QByteArrayView shown = line.first(std::min<qsizetype>(line.size(), 160));
        Finding finding{file.native, firstWide + 1, Severity::Warning,
                        QStringLiteral("the text is UTF-8, not Windows-1251: the browser shows %1 for %2; %3")
                            .arg(excerpt(decodeWin1251(shown)), excerpt(QString::fromUtf8(shown)), mend("converts"))};
        finding.fixable = fixable;
        add(std::move(finding));
    }
    // The walk goes on as the file reads once mended, or at least without
    // the mark.
    return CatalogLines::fromText(mended ? *mended : body);
}

} // namespace korvane::check
