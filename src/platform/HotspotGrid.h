#pragma once

#include "catalog/Hotspots.h"

#include <QTableView>

#include <vector>

class QAbstractTableModel;

namespace korvane {

class HotspotGridModel;

// The hidden string grid that holds the hotspot table: 4 columns, row r
// (from 1) is hotspot r with the x text in column 1, the y text in column 2
// and the name in column 3; row 0 and column 0 stay empty. The texts are cut
// from the hotspot lines when read, so a huge hotspot file costs its lines
// and two numbers a row, not three more strings a row.
class HotspotGrid : public QTableView
{
    Q_OBJECT

public:
    static constexpr int kColumns = 4;

    explicit HotspotGrid(int rows, QWidget *parent = nullptr);

    int rowCount() const;
    QString cell(int column, int row) const;
    // The three texts of a row at once: x (column 1), y (column 2) and the
    // name (column 3), cut from its line once.
    HotspotCells row(int row) const;
    // Rows 1 .. lines.size() hold the lines' cuts; the row count becomes
    // lines.size() + 1.
    void setHotspotRows(const QStringList &lines, std::vector<HotspotCut> cuts);

private:
    HotspotGridModel *m_model;
};

} // namespace korvane
