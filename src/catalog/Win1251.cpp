#include "catalog/Win1251.h"

#include <QStringDecoder>

#include <array>
#include <cstdint>
#include <memory>

namespace korvane {

namespace {

// The upper half of the code page. 0x98 is undefined in Windows-1251; giving it
// U+0098 keeps every byte value distinct, so a file read and written back is
// unchanged byte for byte.
constexpr std::array<char16_t, 128> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // 0xB8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, // 0xC0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, // 0xC8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, // 0xD0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, // 0xD8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, // 0xE0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, // 0xE8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, // 0xF0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, // 0xF8
};

constexpr std::array<char16_t, 256> makeDecodeTable()
{
    std::array<char16_t, 256> table{};
    for (int byte = 0; byte < 128; ++byte)
        table[byte] = char16_t(byte);
    for (int byte = 128; byte < 256; ++byte)
        table[byte] = kUpperHalf[byte - 128];
    return table;
}

constexpr std::array<char16_t, 256> kDecode = makeDecodeTable();

// One byte per UTF-16 unit; 0 stands for "not in the code page", which is
// unambiguous because only U+0000 encodes to the NUL byte.
const std::array<unsigned char, 65536> &encodeTable()
{
    static const std::unique_ptr<std::array<unsigned char, 65536>> table = [] {
        auto built = std::make_unique<std::array<unsigned char, 65536>>();
        built->fill(0);
        for (int byte = 1; byte < 256; ++byte)
            (*built)[kDecode[byte]] = static_cast<unsigned char>(byte);
        return built;
    }();
    return *table;
}

constexpr std::array<char16_t, 128> kCp866UpperHalf = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, // 0x80
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, // 0x88
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, // 0x90
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, // 0x98
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, // 0xA0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, // 0xA8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, // 0xB0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, // 0xB8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, // 0xC0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, // 0xC8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, // 0xD0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, // 0xD8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, // 0xE0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, // 0xE8
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E, // 0xF0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0, // 0xF8
};

} // namespace

QChar win1251ToChar(unsigned char byte)
{
    return QChar(kDecode[byte]);
}

QString decodeWin1251(QByteArrayView bytes)
{
    // Part lists run to a million lines; filling the buffer in place avoids the
    // per-character bookkeeping of appending.
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0, n = bytes.size(); i < n; ++i)
        out[i] = kDecode[in[i]];
    return text;
}

QByteArray encodeWin1251(const QString &text)
{
    const auto &table = encodeTable();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    const char16_t *in = reinterpret_cast<const char16_t *>(text.constData());
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t unit = in[i];
        const unsigned char byte = table[unit];
        out[i] = static_cast<char>(byte != 0 || unit == 0 ? byte : '?');
    }
    return bytes;
}

std::optional<QByteArray> convertUtf8ToWin1251(QByteArrayView utf8, qsizetype *missingAt)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder.decode(utf8);
    if (decoder.hasError()) {
        if (missingAt)
            *missingAt = -1;
        return std::nullopt;
    }
    const auto &table = encodeTable();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    qsizetype in = 0; // where the character's UTF-8 bytes start
    qsizetype out = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        const unsigned char byte = table[unit];
        if ((byte == 0 && unit != 0) || unit == 0x0098 || QChar::isSurrogate(unit)) {
            if (missingAt)
                *missingAt = in;
            return std::nullopt;
        }
        bytes[out++] = char(byte);
        in += unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
    }
    return bytes;
}

QString decodeCp866(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0, n = bytes.size(); i < n; ++i)
        out[i] = in[i] < 128 ? char16_t(in[i]) : kCp866UpperHalf[in[i] - 128];
    return text;
}

} // namespace korvane
