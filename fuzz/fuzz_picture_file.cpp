// libFuzzer target for the picture loader that chooses the decoder by the
// file's extension, as the editor and the picture area use it. The first byte
// of the input picks the extension, the rest is the file. For every input:
// - a picture loads or the load throws one of the loader's messages; a known
//   extension is never called unknown, and an existing file always opens;
// - a loaded picture keeps exactly the file's bytes, of the kind its extension
//   names, and saving it writes exactly those bytes;
// - for JPEG and bitmap files the picture area's loader agrees with the
//   editor's.

#include "FuzzCheck.h"
#include "catalog/CatalogText.h"
#include "catalog/Failure.h"
#include "platform/PictureFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

using namespace korvane;

namespace {

struct Extension
{
    const char *text;
    std::optional<LoadedPicture::Kind> kind; // nothing: not a picture
};

const std::array<Extension, 10> kExtensions = {{
    {"jpg", LoadedPicture::Kind::Jpeg},
    {"JPEG", LoadedPicture::Kind::Jpeg},
    {"bmp", LoadedPicture::Kind::Bitmap},
    {"Bmp", LoadedPicture::Kind::Bitmap},
    {"ico", LoadedPicture::Kind::Icon},
    {"emf", LoadedPicture::Kind::EnhancedMetafile},
    {"WMF", LoadedPicture::Kind::Metafile},
    {"wmf", LoadedPicture::Kind::Metafile},
    {"png", std::nullopt},
    {"", std::nullopt},
}};

// Saving syncs the file to disk; in memory that costs nothing, so the fuzzer
// keeps its pace where /dev/shm exists.
const QTemporaryDir &workFolder()
{
    static const QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                          ? QStringLiteral("/dev/shm/korvane-fuzz-XXXXXX")
                                          : QDir::tempPath() + QStringLiteral("/korvane-fuzz-XXXXXX"));
    return folder;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    fuzzCheck(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(),
              "the picture file is written");
}

bool isKnownMessage(const QString &message)
{
    return message.startsWith(u"JPEG error #") || message == u"Bitmap image is not valid"
           || message == u"Stream read error" || message == u"Out of memory" || message == u"Icon image is not valid"
           || message == u"Metafile is not valid";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const Extension &extension = kExtensions[data[0] % kExtensions.size()];
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QString path = workFolder().path() + QStringLiteral("/picture.") + QLatin1String(extension.text);
    writeFile(path, bytes);

    std::optional<LoadedPicture> picture;
    QString failure;
    try {
        picture = loadEditorPicture(path);
    } catch (const Failure &caught) {
        failure = caught.message();
    }
    if (!extension.kind) {
        fuzzCheck(failure.startsWith(u"Unknown picture file extension (."), "an unknown extension is refused");
        return 0;
    }
    const bool drawn = *extension.kind == LoadedPicture::Kind::Jpeg || *extension.kind == LoadedPicture::Kind::Bitmap;
    if (drawn) {
        QString areaFailure;
        QImage areaImage;
        try {
            areaImage = loadPictureFile(path);
        } catch (const Failure &caught) {
            areaFailure = caught.message();
        }
        fuzzCheck(areaFailure == failure && (!picture || areaImage == picture->image), "both loaders agree");
    }
    if (!picture) {
        fuzzCheck(isKnownMessage(failure), "a failed load says why with the decoder's message");
        return 0;
    }

    fuzzCheck(picture->kind == *extension.kind, "the extension chooses the kind");
    fuzzCheck(picture->bytes == bytes, "the picture keeps the file's bytes");
    const QString saved = workFolder().path() + QStringLiteral("/saved.jpg");
    writeCatalogFile(saved, picture->bytes);
    fuzzCheck(readCatalogFile(saved) == bytes, "a saved picture is the file's bytes");
    return 0;
}
