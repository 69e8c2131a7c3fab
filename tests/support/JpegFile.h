#pragma once

#include <QByteArray>

// JPEG files written byte by byte, for the tests: the toolkit's encoder writes
// only sound files, and these are not.
namespace korvane::testing {

// A grey progressive JPEG of width x height (each below 65536) whose DC scan
// is followed by acScans copies of one AC scan made of nothing but
// end-of-band runs of 16384 blocks: a few dozen bytes that make a decoder
// visit every block of the picture once per scan. A real photo has a few dozen
// scans at most; thousands of these freeze a decoder that takes them all.
// Refining, the first AC scan sends all but the last bit of the band and the
// others refine that bit: the first of them is due, every further one refines
// what no scan left to be refined, and runs through the whole band of every
// block.
inline QByteArray manyScanJpeg(int width, int height, int acScans, bool refining = false)
{
    QByteArray out;
    const auto segment = [&out](uchar marker, const QByteArray &body) {
        out.append(char(0xFF));
        out.append(char(marker));
        const int length = int(body.size()) + 2;
        out.append(char(length >> 8));
        out.append(char(length & 0xFF));
        out.append(body);
    };
    out.append("\xFF\xD8", 2);
    segment(0xDB, QByteArray(1, '\0') + QByteArray(64, '\1')); // one table of ones
    QByteArray frame;
    for (const int value : {8, height >> 8, height & 0xFF, width >> 8, width & 0xFF, 1, 1, 0x11, 0})
        frame.append(char(value));
    segment(0xC2, frame);
    // One code each, the bit 0: in the DC table the difference 0, in the AC
    // table an end-of-band run of 2^14 blocks with 14 more bits (0) to add.
    QByteArray lengths(16, '\0');
    lengths[0] = 1;
    segment(0xC4, QByteArray(1, '\x00') + lengths + QByteArray(1, '\x00'));
    segment(0xC4, QByteArray(1, '\x10') + lengths + QByteArray(1, '\xE0'));

    const qint64 blocks = qint64((width + 7) / 8) * ((height + 7) / 8);
    segment(0xDA, QByteArray("\x01\x01\x00\x00\x00\x00", 6));
    out.append(QByteArray((blocks + 7) / 8, '\0'));
    const qint64 runs = (blocks + 16383) / 16384;
    QByteArray acScan
        = QByteArray("\xFF\xDA\x00\x08\x01\x01\x00\x01\x3F\x00", 10) + QByteArray((runs * 15 + 7) / 8, '\0');
    out.reserve(out.size() + acScans * acScan.size() + 2);
    for (int i = 0; i < acScans; ++i) {
        // The header's last byte: the bit sent before (Ah) and the one sent now (Al).
        acScan[9] = char(!refining ? 0x00 : i == 0 ? 0x01 : 0x10);
        out.append(acScan);
    }
    out.append("\xFF\xD9", 2);
    return out;
}

} // namespace korvane::testing
