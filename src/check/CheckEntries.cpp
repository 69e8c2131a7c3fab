#include "check/CheckWalker.h"

#include "catalog/CatalogText.h"
#include "platform/PictureFile.h"

#include <QLocale>

#include <cerrno>
#include <climits>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

// What the browser meets when it opens what a name found: a file, or
// something it cannot open (and the checker then does not), and how the name
// was found on disk.

namespace korvane::check {

namespace {

bool isBelow(const QByteArray &entry, const QByteArray &folder)
{
    if (folder.isEmpty())
        return true;
    return entry.size() > folder.size() && entry.startsWith(folder)
           && (folder.endsWith('/') || entry.at(folder.size()) == '/');
}

// What a special file is, for the message; a stat opens nothing.
QString specialKind(const QByteArray &native)
{
    struct stat info;
    if (native.size() < PATH_MAX && ::stat(native.constData(), &info) == 0) {
        if (S_ISCHR(info.st_mode))
            return QStringLiteral("a character device");
        if (S_ISBLK(info.st_mode))
            return QStringLiteral("a block device");
        if (S_ISFIFO(info.st_mode))
            return QStringLiteral("a FIFO (named pipe)");
        if (S_ISSOCK(info.st_mode))
            return QStringLiteral("a socket");
    }
    return QStringLiteral("no regular file");
}

// Grouped in thousands the same way whatever the user's language.
QString thousands(qint64 count)
{
    return QLocale(QLocale::English).toString(count);
}

QString codePageName(LooseMatch::CodePage codePage)
{
    return codePage == LooseMatch::CodePage::Windows1251 ? QStringLiteral("Windows-1251")
                                                         : QStringLiteral("DOS (CP866)");
}

} // namespace

QString shownOnDisk(QByteArrayView name)
{
    if (name.isValidUtf8())
        return quoted(QString::fromUtf8(name));
    QString shown = QStringLiteral("$'");
    for (const char c : name) {
        const uchar byte = uchar(c);
        if (byte == '\'' || byte == '\\')
            shown += u'\\' + QChar(byte);
        else if (byte >= 0x20 && byte < 0x7F)
            shown += QChar(byte);
        else
            shown += QStringLiteral("\\%1").arg(byte, 3, 8, QLatin1Char('0'));
    }
    return shown + u'\'';
}

bool Walker::canOpen(const QByteArray &native, const Subject &what, const Source &at)
{
    // The browser composes whole names; the system takes none as long as
    // PATH_MAX.
    const qsizetype length = m_setting.absolutePrefix + native.size();
    if (length >= PATH_MAX) {
        error(at, QStringLiteral("%1 lies at a path of %2 bytes, more than the %3 a program can open: the browser "
                                 "cannot open it; shorten the names of the folders on the way")
                      .arg(what.text(), thousands(length), thousands(PATH_MAX - 1)));
        return false;
    }
    // What the entry is comes from its folder's listing: a device or a FIFO
    // is never opened, as opening some has effects of its own.
    switch (m_lookup.kindOf(native)) {
    case EntryKind::File:
        return true;
    case EntryKind::Folder:
        error(at, QStringLiteral("%1 is a folder, not a file: the browser cannot open it and shows an error box; "
                                 "rename or remove the folder")
                      .arg(what.text()));
        return false;
    case EntryKind::Other:
        error(at, QStringLiteral("%1 is %2, not a file: the browser cannot open it and shows an error box (the "
                                 "checker does not try); put the file itself there")
                      .arg(what.text(), specialKind(native)));
        return false;
    case EntryKind::Missing:
        break;
    }
    // The name is in its folder but leads nowhere: a link whose target is
    // missing, which the browser finds by its name and then cannot open.
    struct stat link;
    if (::lstat(native.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
        error(at, QStringLiteral("%1 is a link to nothing: the browser cannot open it and shows an error box; point "
                                 "the link at the file, or put the file itself there")
                      .arg(what.text()));
        return false;
    }
    error(at, QStringLiteral("%1 is gone: it was removed while the catalog was checked").arg(what.text()));
    return false;
}

bool Walker::isReachable(const QByteArray &folder, const Subject &what, const Source &at)
{
    const qsizetype length = m_setting.absolutePrefix + folder.size();
    if (length < PATH_MAX)
        return true;
    error(at, QStringLiteral("%1 lies at a path of %2 bytes, more than the %3 a program can open: the browser "
                             "finds nothing in it; shorten the names of the folders on the way")
                  .arg(what.text(), thousands(length), thousands(PATH_MAX - 1)));
    return false;
}

bool Walker::staysInData(const ComposedPath &path, const Subject &what, const Source &at)
{
    // Only a ".." climbs; most names hold none.
    if (!path.added.contains(QLatin1String("..")) || staysInside(path, paths::dataFolder(m_setting.base)))
        return true;
    error(at, QStringLiteral("%1 leads outside DATA: the browser would read what is no part of the catalog, and a "
                             "copy of the catalog lacks it; name something inside DATA")
                  .arg(what.text()));
    return false;
}

void Walker::reportUnreadable(const CatalogFile &file, const Subject &what, const Failure &failure)
{
    const Source at{file.native, 0};
    if (failure.message() != Failure::cannotOpen(file.composed.text()).message()) {
        error(at, QStringLiteral("%1 cannot be read: %2").arg(what.text(), failure.message()));
        return;
    }
    const int reason = ::access(file.native.constData(), R_OK) == 0 ? 0 : errno;
    if (reason == EACCES)
        error(at, QStringLiteral("%1 cannot be read (permission denied): the browser shows an error box; make it "
                                 "readable (chmod a+r)")
                      .arg(what.text()));
    else
        error(at, QStringLiteral("%1 cannot be read (%2): the browser shows an error box")
                      .arg(what.text(), reason != 0 ? QString::fromLocal8Bit(std::strerror(reason))
                                                    : QStringLiteral("it changed while it was read")));
}

void Walker::reportLoose(const NameMatch &how, const QByteArray &parent, const std::optional<Source> &namedAt,
                         const QString &name)
{
    bool foldingReported = false;
    for (const LooseMatch &match : how) {
        if (!isBelow(match.entry, parent))
            continue;
        const Source at = namedAt.value_or(Source{match.entry, 0});
        const QByteArrayView onDisk = QByteArrayView(match.entry).sliced(match.entry.lastIndexOf('/') + 1);
        if (match.codePage != LooseMatch::CodePage::Utf8) {
            warning(at, QStringLiteral("%1 is found only as the %2 name %3 on disk%4: a reader of UTF-8 names misses "
                                       "it; rename it to %1")
                            .arg(quoted(match.piece), codePageName(match.codePage), shownOnDisk(onDisk),
                                 match.ignoringCase ? QStringLiteral(", and only without regard to letter case")
                                                    : QString()));
        } else if (match.ignoringCase) {
            warning(at, QStringLiteral("%1 is found as %2 only without regard to letter case: a reader that "
                                       "matches case misses it; %3")
                            .arg(quoted(match.piece), quoted(match.nameOnDisk),
                                 namedAt ? QStringLiteral("rename it to %1, or write %2 here")
                                               .arg(quoted(match.piece), quoted(match.nameOnDisk))
                                         : QStringLiteral("rename it to %1").arg(quoted(match.piece))));
        }
        if (!match.alsoMatching.isEmpty()) {
            QStringList others;
            for (const QByteArray &other : match.alsoMatching)
                others.append(shownOnDisk(QByteArrayView(other)));
            warning(at, QStringLiteral("%1 matches %2 and also %3 in the same folder, names Windows takes for one: "
                                       "the browser takes %2 and never reads the other; merge them into one")
                            .arg(quoted(match.piece), shownOnDisk(onDisk), others.join(QStringLiteral(", "))));
        }
        if (match.foldedSeparators && !foldingReported) {
            const QString named = namedAt ? name : match.piece;
            warning(at, named.contains(u'\\')
                            ? QStringLiteral("%1 is found only by reading \"\\\" as a folder separator, as Windows "
                                             "does: other readers take it for part of a name; write the name without "
                                             "\"\\\"")
                                  .arg(quoted(named))
                            : QStringLiteral("%1 is found only by folding doubled separators and dot folders, as "
                                             "Windows does: other readers miss it; write it without empty, \".\" or "
                                             "\"..\" pieces")
                                  .arg(quoted(named)));
            foldingReported = true;
        }
    }
}

std::optional<QSize> Walker::checkPicture(const CatalogFile &found, const Subject &what, bool decode)
{
    if (!canOpen(found.native, what, {found.native, 0}))
        return std::nullopt;
    CatalogFile file = found;
    file.seenRegular = true;
    file.folder = m_lookup.openFolderOf(file.native);
    if (!decode) {
        if (!catalogFileOpens(file))
            reportUnreadable(file, what, Failure::cannotOpen(file.composed.text()));
        return std::nullopt;
    }
    try {
        return loadPictureFile(file).size();
    } catch (const Failure &failure) {
        if (failure.message() == Failure::cannotOpen(file.composed.text()).message()) {
            reportUnreadable(file, what, failure);
            return std::nullopt;
        }
        const QString shown = failure.detail().isEmpty()
                                  ? failure.message()
                                  : QStringLiteral("%1 (%2)").arg(failure.message(), failure.detail());
        const bool bitmap = pictureExtension(file.composed.text()).compare(u"bmp", Qt::CaseInsensitive) == 0;
        QString mend = bitmap ? QStringLiteral("save it again as a Windows bitmap (BMP)")
                              : QStringLiteral("save it again as a JPEG");
        if (failure.message() == QLatin1String("Stream read error"))
            mend = QStringLiteral("the file is cut short: copy it again whole, or ") + mend;
        error({file.native, 0}, QStringLiteral("%1 does not decode: %2; %3").arg(what.text(), shown, mend));
    }
    return std::nullopt;
}

} // namespace korvane::check
