#pragma once

#include <QByteArrayView>

#include <algorithm>
#include <cstring>

namespace korvane {

// The hash of the flat tables a walk keeps names and part codes in: eight
// bytes at a time, each mixed in by a multiplication, then every bit spread
// over the low ones, which pick the slot.
inline quint32 hashBytes(QByteArrayView bytes)
{
    quint64 hash = quint64(bytes.size());
    const char *p = bytes.data();
    for (qsizetype left = bytes.size(); left > 0; p += 8, left -= 8) {
        quint64 word = 0;
        std::memcpy(&word, p, size_t(std::min<qsizetype>(left, 8)));
        hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
        hash ^= hash >> 29;
    }
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 33;
    return quint32(hash);
}

} // namespace korvane
