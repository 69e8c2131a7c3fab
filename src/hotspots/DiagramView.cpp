#include "hotspots/DiagramView.h"

#include "catalog/Hotspots.h"
#include "catalog/Win1251.h"
#include "hotspots/HotspotDocument.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStaticText>

#include <algorithm>

namespace korvane::hotspots {

namespace {

// Buckets of diagram pixels: a hotspot's box is 39 x 15, so a bucket holds
// a few boxes' worth.
constexpr int kBucketWidth = 64;
constexpr int kBucketHeight = 32;
// A name is drawn above its box, at most this wide on the widget.
constexpr int kLabelWidth = 120;

qint64 floorDivide(qint64 value, qint64 by)
{
    return value >= 0 ? value / by : -((-value + by - 1) / by);
}

quint64 bucketKey(qint64 column, qint64 row)
{
    return (quint64(quint32(qint32(column))) << 32) | quint32(qint32(row));
}

struct Look
{
    QColor outline;
    Qt::PenStyle style = Qt::SolidLine;
};

Look lookOf(Severity severity, bool takesPresses)
{
    if (severity == Severity::Error || !takesPresses)
        return {QColor(200, 0, 0), Qt::DashLine};
    if (severity == Severity::Warning)
        return {QColor(220, 110, 0), Qt::SolidLine};
    return {QColor(0, 90, 210), Qt::SolidLine};
}

const QColor kSelected(220, 0, 200);

} // namespace

DiagramView::DiagramView(HotspotDocument *document, QWidget *parent) : QWidget(parent), m_document(document)
{
    setObjectName(QStringLiteral("diagram"));
    setAccessibleName(tr("Diagram"));
    setAccessibleDescription(tr("The diagram with the hit box of every hotspot. A press on an empty place adds a "
                                "hotspot; a press on a box selects it, a drag moves it."));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    // Every pixel is painted: the diagram covers the whole widget.
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(document, &HotspotDocument::modelReset, this, &DiagramView::rebuildIndex);
    connect(document, &HotspotDocument::rowsInserted, this, &DiagramView::rebuildIndex);
    connect(document, &HotspotDocument::rowsRemoved, this, &DiagramView::rebuildIndex);
    connect(document, &HotspotDocument::linesChanged, this, &DiagramView::linesChanged);
}

void DiagramView::setImage(const QImage &image)
{
    // Drawn as it is at every paint: in the screen's own format that is a
    // copy of rows, with no conversion on the way.
    m_image
        = image.format() == QImage::Format_ARGB32 ? image.convertToFormat(QImage::Format_ARGB32_Premultiplied) : image;
    m_selected = -1;
    m_pending.reset();
    m_tried.reset();
    m_dragLine = -1;
    setFixedSize(m_image.size() * m_zoom);
    update();
}

void DiagramView::setZoom(int zoom)
{
    m_zoom = zoom;
    setFixedSize(m_image.size() * m_zoom);
    update();
}

QSize DiagramView::sizeHint() const
{
    return m_image.size() * m_zoom;
}

void DiagramView::setSelectedLine(qsizetype line)
{
    if (line == m_selected)
        return;
    for (const qsizetype changed : {m_selected, line}) {
        if (changed >= 0 && changed < qsizetype(m_points.size()) && m_points[size_t(changed)])
            update(extentOnWidget(*m_points[size_t(changed)]));
    }
    m_selected = line;
}

void DiagramView::setPendingPoint(std::optional<QPoint> pixel)
{
    for (const std::optional<QPoint> &changed : {m_pending, pixel}) {
        if (changed)
            update(extentOnWidget(*changed));
    }
    m_pending = pixel;
}

void DiagramView::setTryMode(bool on)
{
    m_tryMode = on;
    setTriedPixel(std::nullopt);
    setCursor(on ? Qt::PointingHandCursor : Qt::CrossCursor);
}

void DiagramView::setTriedPixel(std::optional<QPoint> pixel)
{
    m_tried = pixel;
    update();
}

QPoint DiagramView::pixelAt(QPoint widgetPoint) const
{
    return QPoint(int(floorDivide(widgetPoint.x(), m_zoom)), int(floorDivide(widgetPoint.y(), m_zoom)));
}

QRect DiagramView::widgetRect(const QRect &pixels) const
{
    return QRect(pixels.x() * m_zoom, pixels.y() * m_zoom, pixels.width() * m_zoom, pixels.height() * m_zoom);
}

QRect DiagramView::boxOnWidget(qsizetype line) const
{
    const std::optional<QPoint> at = m_document->point(line);
    if (!at)
        return {};
    const std::optional<QRect> box = hotspotHitBox(at->x(), at->y(), kHotspotHalfWidth, kHotspotHalfHeight);
    return box ? widgetRect(*box) : QRect();
}

qsizetype DiagramView::lineAt(QPoint pixel) const
{
    const std::vector<qsizetype> near = linesNear(QRect(pixel, QSize(1, 1)));
    for (auto line = near.rbegin(); line != near.rend(); ++line) {
        const QPoint at = *m_points[size_t(*line)];
        if (hotspotHit(at.x(), at.y(), kHotspotHalfWidth, kHotspotHalfHeight, pixel.x(), pixel.y()))
            return *line;
    }
    return -1;
}

QRect DiagramView::extentOnWidget(QPoint point) const
{
    const std::optional<QRect> box = hotspotHitBox(point.x(), point.y(), kHotspotHalfWidth, kHotspotHalfHeight);
    if (!box)
        return {};
    const QRect onWidget = widgetRect(*box);
    const int labelHeight = fontMetrics().height();
    const QRect label(onWidget.left(), onWidget.top() - labelHeight - 1, kLabelWidth, labelHeight + 1);
    return onWidget.adjusted(-1, -1, 1, 1).united(label);
}

void DiagramView::place(qsizetype line, QPoint point)
{
    m_buckets[bucketKey(floorDivide(point.x(), kBucketWidth), floorDivide(point.y(), kBucketHeight))].push_back(
        qint32(line));
}

void DiagramView::unplace(qsizetype line, QPoint point)
{
    std::vector<qint32> &bucket
        = m_buckets[bucketKey(floorDivide(point.x(), kBucketWidth), floorDivide(point.y(), kBucketHeight))];
    bucket.erase(std::remove(bucket.begin(), bucket.end(), qint32(line)), bucket.end());
}

void DiagramView::rebuildIndex()
{
    m_buckets.clear();
    m_points.assign(size_t(m_document->lineCount()), std::nullopt);
    for (qsizetype line = 0; line < m_document->lineCount(); ++line) {
        m_points[size_t(line)] = m_document->point(line);
        if (m_points[size_t(line)])
            place(line, *m_points[size_t(line)]);
    }
    update();
}

void DiagramView::linesChanged(qsizetype first, qsizetype last)
{
    // A change that reaches far (a line that now stops every press) changes
    // the look of everything after it.
    constexpr qsizetype kManyLines = 256;
    const bool everything = last - first >= kManyLines;
    for (qsizetype line = first; line <= last && line < qsizetype(m_points.size()); ++line) {
        const std::optional<QPoint> before = m_points[size_t(line)];
        const std::optional<QPoint> after = m_document->point(line);
        if (before != after) {
            if (before)
                unplace(line, *before);
            if (after)
                place(line, *after);
            m_points[size_t(line)] = after;
        }
        if (everything)
            continue;
        if (before)
            update(extentOnWidget(*before));
        if (after)
            update(extentOnWidget(*after));
    }
    if (everything)
        update();
}

std::vector<qsizetype> DiagramView::linesNear(const QRect &pixels) const
{
    // A box reaches half its size from its point, a name further up and to
    // the right on the widget.
    const qint64 labelWide = (kLabelWidth + m_zoom - 1) / m_zoom;
    const qint64 labelHigh = (fontMetrics().height() + 3 + m_zoom - 1) / m_zoom;
    const qint64 left = qint64(pixels.left()) - std::max<qint64>(kHotspotHalfWidth, labelWide) - 2;
    const qint64 right = qint64(pixels.right()) + kHotspotHalfWidth + 2;
    const qint64 top = qint64(pixels.top()) - kHotspotHalfHeight - 2;
    const qint64 bottom = qint64(pixels.bottom()) + kHotspotHalfHeight + labelHigh + 2;
    std::vector<qsizetype> lines;
    for (qint64 column = floorDivide(left, kBucketWidth); column <= floorDivide(right, kBucketWidth); ++column) {
        for (qint64 row = floorDivide(top, kBucketHeight); row <= floorDivide(bottom, kBucketHeight); ++row) {
            const auto found = m_buckets.constFind(bucketKey(column, row));
            if (found == m_buckets.constEnd())
                continue;
            for (const qint32 line : *found) {
                const QPoint at = *m_points[size_t(line)];
                if (at.x() >= left && at.x() <= right && at.y() >= top && at.y() <= bottom)
                    lines.push_back(line);
            }
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

void DiagramView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect exposed = event->rect();
    // The diagram pixels that cover the exposed part, drawn whole.
    const QRect pixels = QRect(pixelAt(exposed.topLeft()), pixelAt(exposed.bottomRight())).intersected(m_image.rect());
    if (!pixels.isEmpty()) {
        if (m_zoom == 1)
            painter.drawImage(pixels.topLeft(), m_image, pixels);
        else
            painter.drawImage(widgetRect(pixels), m_image, pixels);
    }
    paintHotspots(painter, pixels.isEmpty() ? QRect(pixelAt(exposed.topLeft()), QSize(1, 1)) : pixels);
}

void DiagramView::paintHotspots(QPainter &painter, const QRect &pixels)
{
    const std::vector<qsizetype> lines = linesNear(pixels);
    const auto boxOf = [&](qsizetype line) {
        const QPoint at = *m_points[size_t(line)];
        return hotspotHitBox(at.x(), at.y(), kHotspotHalfWidth, kHotspotHalfHeight);
    };
    const auto outline = [&](const QRect &onWidget, const Look &look, int width) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(look.outline, 1, look.style));
        for (int ring = 0; ring < width; ++ring)
            painter.drawRect(onWidget.adjusted(ring, ring, -1 - ring, -1 - ring));
    };

    // The boxes in file order, each with the look of what korvane-check says
    // of its line: their insides first, then the names, then their edges.
    std::vector<Look> looks;
    looks.reserve(lines.size());
    for (const qsizetype line : lines) {
        const std::optional<QRect> box = boxOf(line);
        looks.push_back(lookOf(m_document->severity(line), m_document->takesPresses(line)));
        if (!box)
            continue;
        QColor fill = looks.back().outline;
        fill.setAlpha(35);
        painter.fillRect(widgetRect(*box), fill);
    }

    // The names, above their boxes, under every box's edge; a name of a
    // megabyte shows as its start, like any long one.
    painter.setPen(Qt::black);
    for (const qsizetype line : lines) {
        const std::optional<QRect> box = boxOf(line);
        if (!box || !m_document->isNamed(line))
            continue;
        // Within the place extentOnWidget gives it, which a move repaints.
        const QRect onWidget = widgetRect(*box);
        const QByteArrayView name = m_document->cellBytes(line).name;
        const QStaticText &label = labelOf(decodeWin1251(name.first(std::min<qsizetype>(name.size(), kLabelWidth))));
        const int height = fontMetrics().height();
        const QRect place(onWidget.left(), onWidget.top() - height - 1,
                          std::min(int(label.size().width()) + 4, kLabelWidth), height);
        painter.fillRect(place, QColor(255, 255, 255, 190));
        painter.save();
        painter.setClipRect(place, Qt::IntersectClip);
        painter.drawStaticText(place.left() + 2, place.top(), label);
        painter.restore();
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const std::optional<QRect> box = boxOf(lines[i]))
            outline(widgetRect(*box), looks[i], 1);
    }

    // Where a later box that takes presses overlaps an earlier one, the press
    // is the later line's: that part is hatched in its colour, with its edge
    // on top.
    for (size_t j = 0; j < lines.size(); ++j) {
        if (!m_document->takesPresses(lines[j]))
            continue;
        const std::optional<QRect> later = boxOf(lines[j]);
        if (!later)
            continue;
        for (const qsizetype earlier : linesNear(*later)) {
            if (earlier >= lines[j])
                break;
            const std::optional<QRect> box = boxOf(earlier);
            if (!box || !box->intersects(*later))
                continue;
            const QRect shared = widgetRect(box->intersected(*later));
            painter.save();
            painter.setClipRect(shared);
            painter.fillRect(shared, QBrush(looks[j].outline, Qt::BDiagPattern));
            outline(widgetRect(*later), looks[j], 1);
            painter.restore();
        }
    }

    if (m_selected >= 0 && m_selected < qsizetype(m_points.size()) && m_points[size_t(m_selected)]) {
        if (const std::optional<QRect> box = boxOf(m_selected))
            outline(widgetRect(*box), Look{kSelected, Qt::SolidLine}, 3);
    }
    if (m_pending) {
        if (const std::optional<QRect> box
            = hotspotHitBox(m_pending->x(), m_pending->y(), kHotspotHalfWidth, kHotspotHalfHeight))
            outline(widgetRect(*box), Look{kSelected, Qt::DashLine}, 2);
    }
    if (m_tried) {
        // The pressed pixel, and a cross through it.
        const QRect pixel = widgetRect(QRect(*m_tried, QSize(1, 1)));
        painter.setPen(QColor(230, 0, 0));
        painter.drawLine(pixel.center().x(), pixel.top() - 12, pixel.center().x(), pixel.top() - 3);
        painter.drawLine(pixel.center().x(), pixel.bottom() + 3, pixel.center().x(), pixel.bottom() + 12);
        painter.drawLine(pixel.left() - 12, pixel.center().y(), pixel.left() - 3, pixel.center().y());
        painter.drawLine(pixel.right() + 3, pixel.center().y(), pixel.right() + 12, pixel.center().y());
        painter.fillRect(pixel, QColor(230, 0, 0));
    }
}

const QStaticText &DiagramView::labelOf(const QString &name) const
{
    // Laid out once per name: a paint draws the names of everything in
    // sight, and a drag repaints its neighbours' at every step.
    auto found = m_labels.find(name);
    if (found == m_labels.end()) {
        QStaticText label(fontMetrics().elidedText(name, Qt::ElideRight, kLabelWidth - 4));
        label.setTextFormat(Qt::PlainText);
        label.prepare(QTransform(), font());
        found = m_labels.insert(name, label);
    }
    return *found;
}

void DiagramView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pixel = pixelAt(event->position().toPoint());
    if (m_tryMode) {
        emit tried(pixel);
        return;
    }
    const qsizetype line = lineAt(pixel);
    if (line < 0) {
        emit pressedOnEmpty(pixel);
        return;
    }
    m_dragLine = line;
    m_pressPixel = pixel;
    m_dragOrigin = *m_points[size_t(line)];
    emit pressedOnLine(line);
}

void DiagramView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pixel = pixelAt(event->position().toPoint());
    if (m_dragLine < 0 || !(event->buttons() & Qt::LeftButton)) {
        emit pointerMoved(pixel);
        return;
    }
    QPoint to = m_dragOrigin + pixel - m_pressPixel;
    // A point dragged off the diagram stops at its edge.
    to.setX(std::max(0, m_image.isNull() ? to.x() : std::min(to.x(), m_image.width() - 1)));
    to.setY(std::max(0, m_image.isNull() ? to.y() : std::min(to.y(), m_image.height() - 1)));
    if (m_points[size_t(m_dragLine)] != to)
        emit dragged(m_dragLine, to);
}

void DiagramView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_dragLine < 0)
        return;
    m_dragLine = -1;
    emit dragEnded();
}

} // namespace korvane::hotspots
