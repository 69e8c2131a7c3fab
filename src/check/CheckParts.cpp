#include "check/CheckWalker.h"

#include "catalog/ByteHash.h"
#include "catalog/PartLine.h"
#include "catalog/Win1251.h"

#include <algorithm>
#include <array>
#include <cstring>

// Part lines and the photos they name: each code once in its list, each
// photo looked up once however many lines name it.

namespace korvane::check {

namespace {

// Whether two codes are the same bytes; codes are a few bytes long, too
// short to call out for.
bool sameBytes(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

} // namespace

void FirstLines::reset(qsizetype count)
{
    size_t capacity = 16;
    while (capacity < size_t(count) * 2)
        capacity *= 2;
    if (capacity > m_slots.size() || ++m_generation == 0) {
        m_slots.assign(std::max(capacity, m_slots.size()), Slot{});
        m_generation = 1;
    }
    m_mask = capacity - 1;
}

qint64 FirstLines::note(QByteArrayView code, quint32 hash, qint64 line)
{
    for (size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
        Slot &slot = m_slots[i];
        if (slot.generation != m_generation) {
            slot = Slot{code.data(), quint32(code.size()), hash, quint32(line), m_generation};
            return 0;
        }
        if (slot.hash == hash && sameBytes(QByteArrayView(slot.data, slot.size), code))
            return slot.line;
    }
}

bool FirstLines::contains(QByteArrayView code, quint32 hash) const
{
    for (size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
        const Slot &slot = m_slots[i];
        if (slot.generation != m_generation)
            return false;
        if (slot.hash == hash && sameBytes(QByteArrayView(slot.data, slot.size), code))
            return true;
    }
}

quint32 PhotoTable::addFile(const QByteArray &file)
{
    if (m_files.empty() || m_files.back() != file)
        m_files.push_back(file);
    return quint32(m_files.size() - 1);
}

QByteArrayView PhotoTable::keep(QByteArrayView code)
{
    constexpr qsizetype kBlock = qsizetype{64} * 1024;
    if (m_blocks.empty() || m_usedInLast + code.size() > kBlock) {
        m_blocks.push_back(std::make_unique<char[]>(size_t(std::max(kBlock, code.size()))));
        m_usedInLast = 0;
    }
    char *kept = m_blocks.back().get() + m_usedInLast;
    std::copy(code.begin(), code.end(), kept);
    m_usedInLast += code.size();
    return QByteArrayView(kept, code.size());
}

bool PhotoTable::comesFirst(quint32 file, qint64 line, const Noted &than) const
{
    if (file == than.file)
        return line < than.line;
    const int byFile = m_files[file].compare(m_files[than.file]);
    return byFile != 0 ? byFile < 0 : line < than.line;
}

void PhotoTable::grow()
{
    std::vector<Slot> old(std::max<size_t>(1024, m_slots.size() * 2), Slot{0, kFree});
    old.swap(m_slots);
    const size_t mask = m_slots.size() - 1;
    for (const Slot &slot : old) {
        if (slot.noted == kFree)
            continue;
        size_t i = slot.hash & mask;
        while (m_slots[i].noted != kFree)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}

void PhotoTable::insert(quint32 hash, const Noted &noted, bool kept)
{
    // Kept at most half full, so that a probe ends soon.
    if ((m_noted.size() + 1) * 2 > m_slots.size())
        grow();
    const size_t mask = m_slots.size() - 1;
    const QByteArrayView code(noted.code, noted.size);
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot &slot = m_slots[i];
        if (slot.noted == kFree) {
            slot = Slot{hash, quint32(m_noted.size())};
            m_noted.push_back(noted);
            if (!kept)
                m_noted.back().code = keep(code).data();
            return;
        }
        if (slot.hash != hash)
            continue;
        Noted &before = m_noted[slot.noted];
        if (sameBytes(QByteArrayView(before.code, before.size), code)) {
            if (comesFirst(noted.file, noted.line, before)) {
                before.file = noted.file;
                before.line = noted.line;
            }
            return;
        }
    }
}

void PhotoTable::note(const std::vector<Naming> &namings, quint32 file)
{
    // The table is far larger than the processor's caches and each code
    // lands in a slot of its own: the slots of the codes a few ahead are
    // fetched while this one is noted.
    while ((m_noted.size() + namings.size()) * 2 > m_slots.size())
        grow();
    constexpr size_t kAhead = 8;
    const size_t mask = m_slots.size() - 1;
    for (size_t i = 0; i < namings.size(); ++i) {
        if (i + kAhead < namings.size())
            __builtin_prefetch(&m_slots[namings[i + kAhead].hash & mask]);
        const Naming &naming = namings[i];
        insert(naming.hash, Noted{naming.code.data(), quint32(naming.code.size()), file, naming.line}, false);
    }
}

void PhotoTable::take(PhotoTable &&other)
{
    // The smaller table goes into the larger.
    if (other.size() > size())
        std::swap(*this, other);
    const quint32 offset = quint32(m_files.size());
    m_files.insert(m_files.end(), other.m_files.begin(), other.m_files.end());
    // Its codes stay where they are, in its blocks, which are kept here
    // ahead of the one still being filled.
    m_blocks.insert(m_blocks.begin(), std::make_move_iterator(other.m_blocks.begin()),
                    std::make_move_iterator(other.m_blocks.end()));
    for (Noted noted : other.m_noted) {
        noted.file += offset;
        insert(hashBytes(QByteArrayView(noted.code, noted.size)), noted, true);
    }
    other.m_noted.clear();
    other.m_slots.clear();
    other.m_files.clear();
    other.m_blocks.clear();
}

void PhotoTable::appendTo(std::vector<PhotoReference> &references) const
{
    // In the order first noted, in which their bytes lie.
    for (size_t i = 0; i < m_noted.size(); ++i)
        references.push_back(PhotoReference{this, i});
}

paths::PartPhotoPath PhotoReference::photoPath() const
{
    return table->m_photoPath;
}

QByteArrayView PhotoReference::code() const
{
    const PhotoTable::Noted &first = table->m_noted[noted];
    return QByteArrayView(first.code, first.size);
}

Source PhotoReference::namedAt() const
{
    const PhotoTable::Noted &first = table->m_noted[noted];
    return Source{table->m_files[first.file], first.line};
}

PhotoTable &Outcome::photoTable(paths::PartPhotoPath photoPath)
{
    auto table = std::find_if(photos.begin(), photos.end(),
                              [&](const PhotoTable &each) { return each.photoPath() == photoPath; });
    if (table == photos.end())
        table = photos.insert(photos.end(), PhotoTable(photoPath));
    return *table;
}

std::vector<PhotoReference> Outcome::photoReferences() const
{
    std::vector<PhotoReference> references;
    qsizetype count = 0;
    for (const PhotoTable &table : photos)
        count += table.size();
    references.reserve(size_t(count));
    for (const PhotoTable &table : photos)
        table.appendTo(references);
    return references;
}

void Outcome::take(Outcome &&other)
{
    findings.insert(findings.end(), std::make_move_iterator(other.findings.begin()),
                    std::make_move_iterator(other.findings.end()));
    totals.models += other.totals.models;
    totals.parts += other.totals.parts;
    totals.diagrams += other.totals.diagrams;
    totals.hotspots += other.totals.hotspots;
    totals.photos += other.totals.photos;
    totals.partsWithoutPhoto += other.totals.partsWithoutPhoto;
    totals.filesFixed += other.totals.filesFixed;
    for (PhotoTable &table : other.photos) {
        auto same = std::find_if(photos.begin(), photos.end(),
                                 [&](const PhotoTable &each) { return each.photoPath() == table.photoPath(); });
        if (same == photos.end())
            photos.push_back(std::move(table));
        else
            same->take(std::move(table));
    }
    other.photos.clear();
}

void Walker::checkPartLines(const QByteArray &file, const CatalogLines &lines, paths::PartPhotoPath photoPath,
                            FirstLines &lineOfCode, const FirstLines *notedBefore)
{
    m_outcome.totals.parts += lines.size();
    PhotoTable *photos = photoPath ? &m_outcome.photoTable(photoPath) : nullptr;
    std::vector<PhotoTable::Naming> photoNamings;
    // Codes are compared as the file's bytes, in place: the lines outlive this.
    lineOfCode.reset(lines.textLineCount());
    for (qsizetype i = 0; i < lines.textLineCount(); ++i) {
        const qint64 line = i + 1;
        const QByteArrayView text = lines.textLine(i);
        const QByteArrayView code = partCodeOfLine(text);
        if (code.isEmpty()) {
            if (text.isEmpty())
                warning({file, line}, QStringLiteral("empty part line: the part list shows an empty line; delete it"));
            else
                warning({file, line},
                        QStringLiteral("part line %1 has no code, as it %2: choosing it shows no photo; write "
                                       "CODE NAME, the code first")
                            .arg(quoted(decodeWin1251(text.first(std::min<qsizetype>(text.size(), 60)))),
                                 text.startsWith(' ') ? QStringLiteral("begins with a space")
                                                      : QStringLiteral("holds no space")));
            continue;
        }
        const quint32 hash = hashBytes(code);
        if (const qint64 first = lineOfCode.note(code, hash, line)) {
            warning({file, line}, QStringLiteral("the code %1 is already on line %2: a search or a hotspot selects "
                                                 "only that first line; remove one of them or correct its code")
                                      .arg(quoted(decodeWin1251(code)))
                                      .arg(first));
            continue;
        }
        if (photos) {
            const QByteArrayView photoCode = code.first(std::min(code.size(), kPartCodeCapacity));
            // Only a ".." climbs: most codes are composed into no name here.
            const bool mayClimb
                = std::find(photoCode.begin(), photoCode.end(), '.') != photoCode.end() && photoCode.contains("..");
            const QString shownCode = mayClimb ? decodeWin1251(photoCode) : QString();
            // A code the list before holds is noted there already, at an
            // earlier line.
            if ((!mayClimb
                 || staysInData(photoPath(m_setting.base, shownCode), Subject{"the photo of part", &shownCode},
                                {file, line}))
                && !(notedBefore && notedBefore->contains(code, hash)))
                photoNamings.push_back(
                    PhotoTable::Naming{photoCode, photoCode.size() == code.size() ? hash : hashBytes(photoCode), line});
        }
    }
    if (!photoNamings.empty())
        photos->note(photoNamings, photos->addFile(file));
}

void Walker::checkPhotos(const PhotoBatch &photos)
{
    // A photo folder's index of tens of thousands of names is far larger
    // than the processor's caches, and each name lands elsewhere in it.
    constexpr qsizetype kAhead = 8;
    struct Named
    {
        QString code;
        ComposedPath path;
    };
    // One more than named ahead: the photo being checked keeps its own.
    std::array<Named, kAhead + 1> named;
    const qsizetype count = photos.end - photos.begin;
    const auto name = [&](qsizetype i) -> Named & {
        Named &slot = named[size_t(i % (kAhead + 1))];
        // Decoded into the block the slot's code had: the name composed of
        // it is a copy.
        const QByteArrayView code = photos.begin[i].code();
        slot.code.resize(code.size());
        QChar *decoded = slot.code.data();
        for (const char byte : code)
            *decoded++ = win1251ToChar(uchar(byte));
        slot.path = photos.begin[i].photoPath()(m_setting.base, slot.code);
        return slot;
    };
    for (qsizetype i = 0; i < std::min(count, kAhead); ++i)
        name(i);
    for (qsizetype i = 0; i < count; ++i) {
        if (i + kAhead < count)
            m_lookup.prefetch(name(i + kAhead).path);
        const Named &slot = named[size_t(i % (kAhead + 1))];
        checkPhoto(photos.begin[i], slot.code, slot.path);
    }
}

void Walker::checkPhoto(const PhotoReference &photo, const QString &code, const ComposedPath &path)
{
    NameMatch how;
    const std::optional<CatalogFile> found = findByRoute(routes::partPhoto, path, &how);
    const auto photoName = [&] { return quoted(nameWithin(paths::dataFolder(m_setting.base), path)); };
    if (!found) {
        reportMissing(routes::partPhoto, photo.namedAt(), [&](const QString &shows) {
            return QStringLiteral("part %1 has no photo %2: choosing it %3; add the photo as a JPEG")
                .arg(quoted(code), photoName(), shows);
        });
        return;
    }
    ++m_outcome.totals.photos;
    // A wildcard in the code passes the existence test on some other photo;
    // the read that follows opens the name as it stands.
    if (m_lookup.kindOf(found->native) == EntryKind::Missing) {
        error(photo.namedAt(), QStringLiteral("part code %1 holds a wildcard: the photo test passes on another "
                                              "photo, then the browser cannot open %2 and shows an error box; remove "
                                              "\"*\" and \"?\" from the code")
                                   .arg(quoted(code), photoName()));
        return;
    }
    if (!how.empty())
        reportLoose(how, m_setting.photoFolder, photo.namedAt(), code);
    checkPicture(*found, Subject{"the photo"}, m_setting.deep);
}

} // namespace korvane::check
