#include "check/CheckWalker.h"

#include "catalog/PartLine.h"
#include "catalog/Win1251.h"

#include <algorithm>
#include <cstring>

// Part lines and the photos they name: each code once in its list, each
// photo looked up once however many lines name it.

namespace korvane::check {

namespace {

bool comesFirst(const Source &a, const Source &b)
{
    return a.file != b.file ? a.file < b.file : a.line < b.line;
}

// The line each code of one list is first on. Part lists hold millions of
// lines between them: the table is sized once for its list and holds views
// of the codes where they lie.
class FirstLines
{
public:
    explicit FirstLines(qsizetype count)
    {
        size_t capacity = 16;
        while (capacity < size_t(count) * 2)
            capacity *= 2;
        m_slots.resize(capacity);
        m_mask = capacity - 1;
    }

    // The line the code is already on, or 0 when it is new, which notes it
    // at this line.
    qint64 note(QByteArrayView code, qint64 line)
    {
        // FNV-1a: codes are a few bytes.
        quint64 hash = 14695981039346656037ull;
        for (const char c : code)
            hash = (hash ^ uchar(c)) * 1099511628211ull;
        for (size_t i = size_t(hash) & m_mask;; i = (i + 1) & m_mask) {
            Slot &slot = m_slots[i];
            if (slot.line == 0) {
                slot = Slot{code.data(), code.size(), line};
                return 0;
            }
            if (QByteArrayView(slot.data, slot.size) == code)
                return slot.line;
        }
    }

private:
    struct Slot
    {
        const char *data = nullptr;
        qsizetype size = 0;
        qint64 line = 0;
    };
    std::vector<Slot> m_slots;
    size_t m_mask = 0;
};

} // namespace

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

void PhotoTable::note(QByteArrayView code, const Source &namedAt)
{
    const auto found = m_firstNamedAt.find(code);
    if (found == m_firstNamedAt.end())
        m_firstNamedAt.insert(keep(code), namedAt);
    else if (comesFirst(namedAt, *found))
        *found = namedAt;
}

void PhotoTable::take(PhotoTable &&other)
{
    // The smaller table goes into the larger.
    if (other.size() > size())
        std::swap(*this, other);
    for (auto it = other.m_firstNamedAt.cbegin(); it != other.m_firstNamedAt.cend(); ++it) {
        const auto found = m_firstNamedAt.find(it.key());
        if (found == m_firstNamedAt.end())
            m_firstNamedAt.insert(it.key(), it.value());
        else if (comesFirst(it.value(), *found))
            *found = it.value();
    }
    // Its keys view its blocks.
    std::move(other.m_blocks.begin(), other.m_blocks.end(), std::back_inserter(m_blocks));
    other.m_blocks.clear();
    other.m_firstNamedAt.clear();
}

void PhotoTable::appendTo(std::vector<PhotoReference> &references) const
{
    for (auto it = m_firstNamedAt.cbegin(); it != m_firstNamedAt.cend(); ++it)
        references.push_back(PhotoReference{m_photoPath, decodeWin1251(it.key()), it.value()});
}

void Outcome::notePhoto(paths::PartPhotoPath photoPath, QByteArrayView code, const Source &namedAt)
{
    auto table = std::find_if(photos.begin(), photos.end(),
                              [&](const PhotoTable &each) { return each.photoPath() == photoPath; });
    if (table == photos.end())
        table = photos.insert(photos.end(), PhotoTable(photoPath));
    table->note(code, namedAt);
}

std::vector<PhotoReference> Outcome::takePhotos()
{
    std::vector<PhotoReference> references;
    qsizetype count = 0;
    for (const PhotoTable &table : photos)
        count += table.size();
    references.reserve(size_t(count));
    for (const PhotoTable &table : photos)
        table.appendTo(references);
    photos.clear();
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

void Walker::checkPartLines(const QByteArray &file, const CatalogLines &lines, paths::PartPhotoPath photoPath)
{
    m_outcome.totals.parts += lines.size();
    // Codes are compared as the file's bytes, in place: the lines outlive this.
    FirstLines lineOfCode(lines.textLineCount());
    for (qsizetype i = 0; i < lines.textLineCount(); ++i) {
        const Source here{file, i + 1};
        const QByteArrayView line = lines.textLine(i);
        const QByteArrayView code = partCodeOfLine(line);
        if (code.isEmpty()) {
            if (line.isEmpty())
                warning(here, QStringLiteral("empty part line: the part list shows an empty line; delete it"));
            else
                warning(here, QStringLiteral("part line %1 has no code, as it %2: choosing it shows no photo; write "
                                             "CODE NAME, the code first")
                                  .arg(quoted(decodeWin1251(line.first(std::min<qsizetype>(line.size(), 60)))),
                                       line.startsWith(' ') ? QStringLiteral("begins with a space")
                                                            : QStringLiteral("holds no space")));
            continue;
        }
        if (const qint64 first = lineOfCode.note(code, here.line)) {
            warning(here, QStringLiteral("the code %1 is already on line %2: a search or a hotspot selects only that "
                                         "first line; remove one of them or correct its code")
                              .arg(quoted(decodeWin1251(code)))
                              .arg(first));
            continue;
        }
        if (photoPath) {
            const QByteArrayView photoCode = code.first(std::min(code.size(), kPartCodeCapacity));
            // Only a ".." climbs: most codes are composed into no name here.
            const bool mayClimb
                = std::memchr(photoCode.data(), '.', size_t(photoCode.size())) != nullptr && photoCode.contains("..");
            const QString shownCode = mayClimb ? decodeWin1251(photoCode) : QString();
            if (!mayClimb
                || staysInData(photoPath(m_setting.base, shownCode), Subject{"the photo of part", &shownCode}, here))
                m_outcome.notePhoto(photoPath, photoCode, here);
        }
    }
}

void Walker::checkPhoto(const PhotoReference &photo)
{
    NameMatch how;
    const ComposedPath path = photo.photoPath(m_setting.base, photo.code);
    const std::optional<CatalogFile> found = findByRoute(routes::partPhoto, path, &how);
    const auto photoName = [&] { return quoted(nameWithin(paths::dataFolder(m_setting.base), path)); };
    if (!found) {
        reportMissing(routes::partPhoto, photo.source, [&](const QString &shows) {
            return QStringLiteral("part %1 has no photo %2: choosing it %3; add the photo as a JPEG")
                .arg(quoted(photo.code), photoName(), shows);
        });
        return;
    }
    ++m_outcome.totals.photos;
    // A wildcard in the code passes the existence test on some other photo;
    // the read that follows opens the name as it stands.
    if (m_lookup.kindOf(found->native) == EntryKind::Missing) {
        error(photo.source, QStringLiteral("part code %1 holds a wildcard: the photo test passes on another photo, "
                                           "then the browser cannot open %2 and shows an error box; remove \"*\" "
                                           "and \"?\" from the code")
                                .arg(quoted(photo.code), photoName()));
        return;
    }
    reportLoose(how, m_setting.photoFolder, photo.source, photo.code);
    checkPicture(*found, Subject{"the photo"}, m_setting.deep);
}

} // namespace korvane::check
