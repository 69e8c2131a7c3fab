#pragma once

#include <QHash>
#include <QImage>
#include <QStaticText>
#include <QWidget>

#include <optional>
#include <vector>

namespace korvane::hotspots {

class HotspotDocument;

// The diagram as the browser draws it, unscaled from the widget's top-left
// corner, or enlarged by whole pixels; over it every hotspot's hit box, from
// the catalog library's tolerances, with its name. At zoom z, widget pixel
// (x, y) is diagram pixel (x / z, y / z), so at zoom 1 a press lands on the
// pixel the browser would take for it. Where boxes overlap, the part where
// the later line takes the press (as the browser's press rule has it) is
// hatched in that line's colour.
//
// Only what is in sight is drawn, and a moved hotspot repaints its old and
// new place: the hotspots are kept in buckets by place, so a paint asks
// for the few near it, whatever the file holds.
class DiagramView : public QWidget
{
    Q_OBJECT

public:
    explicit DiagramView(HotspotDocument *document, QWidget *parent = nullptr);

    void setImage(const QImage &image);
    const QImage &image() const { return m_image; }
    int zoom() const { return m_zoom; }
    void setZoom(int zoom);

    qsizetype selectedLine() const { return m_selected; }
    void setSelectedLine(qsizetype line);
    // A new point, not in the file until it has a name.
    void setPendingPoint(std::optional<QPoint> pixel);
    std::optional<QPoint> pendingPoint() const { return m_pending; }
    void setTryMode(bool on);
    void setTriedPixel(std::optional<QPoint> pixel);

    // The diagram pixel under a point of the widget.
    QPoint pixelAt(QPoint widgetPoint) const;
    // Diagram pixels on the widget.
    QRect widgetRect(const QRect &pixels) const;
    // A line's hit box on the widget; empty when it has none.
    QRect boxOnWidget(qsizetype line) const;
    // The line latest in the file whose hit box holds the pixel; -1 for none.
    qsizetype lineAt(QPoint pixel) const;

    QSize sizeHint() const override;

signals:
    void pressedOnEmpty(QPoint pixel);
    void pressedOnLine(qsizetype line);
    void tried(QPoint pixel);
    void dragged(qsizetype line, QPoint to);
    void dragEnded();
    void pointerMoved(QPoint pixel);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void rebuildIndex();
    void linesChanged(qsizetype first, qsizetype last);
    void place(qsizetype line, QPoint point);
    void unplace(qsizetype line, QPoint point);
    // What a hotspot at the point may paint on the widget: its box, its
    // selection frame and its name.
    QRect extentOnWidget(QPoint point) const;
    // The lines whose box or name may show inside the diagram pixels, in
    // file order.
    std::vector<qsizetype> linesNear(const QRect &pixels) const;
    void paintHotspots(QPainter &painter, const QRect &pixels);
    const QStaticText &labelOf(const QString &name) const;

    HotspotDocument *m_document;
    QImage m_image;
    int m_zoom = 1;
    qsizetype m_selected = -1;
    std::optional<QPoint> m_pending;
    bool m_tryMode = false;
    std::optional<QPoint> m_tried;

    qsizetype m_dragLine = -1;
    QPoint m_pressPixel;
    QPoint m_dragOrigin;

    // Where each line's point is, as last placed in the buckets.
    std::vector<std::optional<QPoint>> m_points;
    QHash<quint64, std::vector<qint32>> m_buckets;
    mutable QHash<QString, QStaticText> m_labels;
};

} // namespace korvane::hotspots
