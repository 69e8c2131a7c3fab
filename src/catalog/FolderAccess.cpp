#include "catalog/FolderAccess.h"

#include "catalog/Win1251.h"

#include <QStringDecoder>

#include <algorithm>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>

namespace korvane {

namespace {

const char *orCurrentFolder(const QByteArray &native)
{
    return native.isEmpty() ? "." : native.constData();
}

bool isDotEntry(QByteArrayView name)
{
    return name == "." || name == "..";
}

// Calls visit(nameBytes) for every entry but "." and ".."; false when the
// folder cannot be listed.
bool listFolder(const QByteArray &folder, const EntryVisitor &visit)
{
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(orCurrentFolder(folder)), &::closedir);
    if (!dir)
        return false;
    while (const dirent *entry = ::readdir(dir.get())) {
        const QByteArrayView name(entry->d_name);
        if (!isDotEntry(name))
            visit(name);
    }
    return true;
}

// The key under which a name is indexed: its characters folded one by one,
// as the comparison without regard to case folds them, so that two names
// that compare equal share a key.
QString foldedKey(const QString &text)
{
    QString key = text;
    // Photo folders hold tens of thousands of ASCII names, whose folding is
    // their lower case.
    for (QChar &c : key) {
        const char16_t u = c.unicode();
        c = u >= 0x80 ? c.toCaseFolded() : QChar(u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u);
    }
    return key;
}

bool hasSurrogates(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); });
}

} // namespace

QByteArray joinNative(const QByteArray &folder, QByteArrayView name)
{
    if (folder.isEmpty())
        return name.toByteArray();
    QByteArray joined = folder;
    if (!folder.endsWith('/'))
        joined += '/';
    return joined += name;
}

bool isAsciiName(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

std::optional<QString> decodeUtf8Name(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool DirectFolders::entryExists(const QByteArray &folder, const QByteArray &name)
{
    struct stat info;
    return ::lstat(orCurrentFolder(joinNative(folder, name)), &info) == 0;
}

void DirectFolders::forEachCandidate(const QByteArray &folder, const QString &, const EntryVisitor &visit)
{
    listFolder(folder, visit);
}

void DirectFolders::forEachEntry(const QByteArray &folder, const EntryVisitor &visit)
{
    listFolder(folder, visit);
}

bool DirectFolders::isFolder(const QByteArray &native)
{
    struct stat info;
    return ::stat(orCurrentFolder(native), &info) == 0 && S_ISDIR(info.st_mode);
}

bool DirectFolders::isExistingNonFolder(const QByteArray &native)
{
    struct stat info;
    return ::stat(orCurrentFolder(native), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool ListedFolders::entryExists(const QByteArray &folder, const QByteArray &name)
{
    const Listing &listing = listingOf(folder);
    if (!listing.listed || isDotEntry(name))
        return m_direct.entryExists(folder, name);
    return listing.names.contains(name);
}

void ListedFolders::forEachCandidate(const QByteArray &folder, const QString &piece, const EntryVisitor &visit)
{
    Listing &listing = listingOf(folder);
    // Folding code units one by one agrees with the comparison only outside
    // surrogate pairs; a piece holding them is compared with every entry.
    if (!listing.listed || hasSurrogates(piece)) {
        forEachEntry(folder, visit);
        return;
    }
    if (!listing.indexed)
        index(listing);
    const auto found = listing.byReading.constFind(foldedKey(piece));
    if (found == listing.byReading.constEnd())
        return;
    for (const QByteArray &name : *found)
        visit(name);
}

void ListedFolders::forEachEntry(const QByteArray &folder, const EntryVisitor &visit)
{
    const Listing &listing = listingOf(folder);
    if (!listing.listed) {
        m_direct.forEachEntry(folder, visit);
        return;
    }
    for (const QByteArray &name : listing.names)
        visit(name);
}

bool ListedFolders::isFolder(const QByteArray &native)
{
    return kindOf(native) == Kind::Folder;
}

bool ListedFolders::isExistingNonFolder(const QByteArray &native)
{
    return kindOf(native) == Kind::Other;
}

ListedFolders::Listing &ListedFolders::listingOf(const QByteArray &folder)
{
    if (m_lastListing && m_lastFolder == folder)
        return *m_lastListing;
    auto it = m_listings.find(folder);
    if (it == m_listings.end()) {
        Listing listing;
        listing.listed = listFolder(folder, [&](QByteArrayView name) { listing.names.insert(name.toByteArray()); });
        it = m_listings.emplace(folder, std::move(listing)).first;
    }
    m_lastFolder = folder;
    m_lastListing = &it->second;
    return it->second;
}

void ListedFolders::index(Listing &listing)
{
    // The same readings that readEntryAs compares, so every entry that can
    // match a piece is under the piece's key.
    for (const QByteArray &name : std::as_const(listing.names)) {
        const auto add = [&](const QString &reading) {
            QList<QByteArray> &names = listing.byReading[foldedKey(reading)];
            if (names.isEmpty() || names.constLast() != name)
                names.append(name);
        };
        if (isAsciiName(name)) {
            add(QString::fromLatin1(name));
            continue;
        }
        if (const std::optional<QString> utf8 = decodeUtf8Name(name))
            add(*utf8);
        add(decodeWin1251(name));
        add(decodeCp866(name));
    }
    listing.indexed = true;
}

ListedFolders::Kind ListedFolders::kindOf(const QByteArray &native)
{
    auto it = m_kinds.constFind(native);
    if (it == m_kinds.constEnd()) {
        struct stat info;
        Kind kind = Kind::Missing;
        if (::stat(orCurrentFolder(native), &info) == 0)
            kind = S_ISDIR(info.st_mode) ? Kind::Folder : Kind::Other;
        it = m_kinds.insert(native, kind);
    }
    return *it;
}

} // namespace korvane
