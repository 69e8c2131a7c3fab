#include "catalog/HotspotCheck.h"

#include "catalog/Failure.h"
#include "catalog/IntegerText.h"
#include "catalog/PartSearch.h"
#include "catalog/Win1251.h"

#include <algorithm>

// The shown part of a diagram (kShownDiagramWidth x kShownDiagramHeight), at
// the window's designed size (client area 1064 x 692): the picture area is
// the scroll box less its 3-pixel bevel, drawn from the diagram's top-left
// corner, and never scrolls. At the first showing the resize rule makes the
// box (outer width - 420) x (outer height - 110): at least 644 x 582
// whatever the desktop's frame adds, so 638 x 576 of picture. After a
// maximise and restore it is the fixed 633 x 600, so 627 x 594. The client
// area has room for 653 x 640 of it from where it starts (411, 52). The part
// shown in every case, on every desktop, is 627 x 576; the designed
// 627 x 467 holds only until the window is first shown.

namespace korvane {

namespace {

// A text of a line quoted as findings quote it: a huge one by its ends only.
QString quotedBytes(QByteArrayView bytes)
{
    const qsizetype keep = Failure::kQuotedCapacity;
    const QString shown = bytes.size() <= keep
                              ? decodeWin1251(bytes)
                              : Failure::quoted(decodeWin1251(bytes.first(keep)) + decodeWin1251(bytes.last(keep)));
    return u'\'' + shown + u'\'';
}

// Whether some press inside the shown area hits the hotspot: the press
// nearest to it is the best candidate, tested by the window's own rule.
bool canBePressed(qint32 x, qint32 y)
{
    const qint32 X = std::clamp(x, 0, kShownDiagramWidth - 1);
    const qint32 Y = std::clamp(y, 0, kShownDiagramHeight - 1);
    return hotspotHit(x, y, kHotspotHalfWidth, kHotspotHalfHeight, X, Y);
}

// Digits alone (after blanks and a sign) fail only by being too large.
bool isOnlyDigits(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    return i < text.size() && std::all_of(text.begin() + i, text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

QString notANumber(QByteArrayView name, const char *axis, QByteArrayView cell)
{
    return QStringLiteral("hotspot %1: %2 %3 %4; a hotspot line is NAME=X-Y in diagram pixels")
        .arg(quotedBytes(name), QLatin1String(axis), quotedBytes(cell),
             isOnlyDigits(cell) ? QStringLiteral("is too large for a coordinate") : QStringLiteral("is not a number"));
}

bool converts(QByteArrayView cell, qint32 &value)
{
    try {
        value = convertToInteger(cell);
        return true;
    } catch (const Failure &) {
        return false;
    }
}

} // namespace

HotspotLineCheck checkHotspotLine(const HotspotTable &table, qsizetype row, const HotspotContext &context)
{
    return checkHotspotLine(table.lines().textLine(row), table.bytes(row), context);
}

HotspotLineCheck checkHotspotLine(QByteArrayView line, const HotspotBytes &cells, const HotspotContext &context)
{
    HotspotLineCheck check;
    // The line's own "=" and "-"; without them it is cut where an earlier
    // line was.
    const qsizetype equals = line.lastIndexOf('=');
    const qsizetype dash = line.lastIndexOf('-');
    const bool cutAsWritten = equals >= 0 && dash > equals;

    // Converted as a press converts them, x first: a press in test mode
    // fails at the first of them, and every line after it is dead.
    const bool xConverts = converts(cells.x, check.x);
    check.converts = xConverts && converts(cells.y, check.y);
    const auto add = [&check](bool error, const QString &message) { check.faults.push_back({error, message}); };

    if (!check.converts) {
        if (line.isEmpty())
            add(true, QStringLiteral("empty hotspot line: every press on the diagram stops here; delete it"));
        else if (equals < 0 && dash < 0)
            add(true, QStringLiteral("hotspot line %1 has no coordinates; write NAME=X-Y").arg(quotedBytes(line)));
        else if (equals < 0)
            add(true, QStringLiteral("hotspot line %1 has no \"=\" between its name and coordinates; write NAME=X-Y")
                          .arg(quotedBytes(line)));
        else if (dash < equals)
            add(true, QStringLiteral("hotspot %1: the coordinates %2 have no \"-\" between x and y; write NAME=X-Y")
                          .arg(quotedBytes(line.first(equals)), quotedBytes(line.sliced(equals + 1))));
        else
            add(true, xConverts ? notANumber(cells.name, "y", cells.y) : notANumber(cells.name, "x", cells.x));
        return check;
    }
    if (!cutAsWritten)
        add(false,
            QStringLiteral("hotspot line %1 has no \"%2\" of its own: it is cut where an earlier line was, "
                           "as hotspot %3 at %4,%5; write NAME=X-Y")
                .arg(quotedBytes(line), equals < 0 ? QStringLiteral("=") : QStringLiteral("-"), quotedBytes(cells.name))
                .arg(check.x)
                .arg(check.y));
    if (cells.name.isEmpty()) {
        add(true,
            QStringLiteral("hotspot line %1 has no name: a press on it changes nothing; write NAME=X-Y, the name a "
                           "part code")
                .arg(quotedBytes(line)));
        return check;
    }

    // Put into words only for a fault: a catalog check passes tens of
    // thousands of lines that have none.
    const auto at
        = [&] { return QStringLiteral("hotspot %1 at %2,%3").arg(quotedBytes(cells.name)).arg(check.x).arg(check.y); };
    if (!canBePressed(check.x, check.y))
        add(false, QStringLiteral("%1 cannot be pressed: the picture area shows only %2 x %3 pixels of a diagram; "
                                  "place the hotspot within them")
                       .arg(at())
                       .arg(kShownDiagramWidth)
                       .arg(kShownDiagramHeight));
    else if (context.diagram
             && (check.x < 0 || check.y < 0 || check.x >= context.diagram->width()
                 || check.y >= context.diagram->height()))
        add(false, QStringLiteral("%1 lies outside its %2 x %3 diagram; x and y count pixels from its top-left corner")
                       .arg(at())
                       .arg(context.diagram->width())
                       .arg(context.diagram->height()));
    // A press selects the first part line that begins with the name.
    if (context.partLines && findFirstStartingWith(*context.partLines, decodeWin1251(cells.name)) < 0)
        add(false, QStringLiteral("%1 begins no line of the part list '%2': a press on it selects nothing; name it "
                                  "by a part code of that list")
                       .arg(at(), context.partListName));
    return check;
}

HotspotFault neverReachedHotspotLine(QByteArrayView line, qsizetype stopLine)
{
    return {true, QStringLiteral("hotspot line %1 is never reached: every press on the diagram stops at line %2 "
                                 "before it; mend or delete that line")
                      .arg(quotedBytes(line))
                      .arg(stopLine)};
}

} // namespace korvane
