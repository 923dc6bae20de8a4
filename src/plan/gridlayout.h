#pragma once
// The plan grid's stored layout: ten entries of 18 characters, one per column in
// display order: the field name padded to 12, "#", the width padded to 4, "#".
// The layout is kept per operator on the server as option text of "APR00100".
//
// Wiring in the main window:
//   plan::GridLayoutStore layout(server, *dbgPadrao, *model);   // a member
//   FormActivate (first time): layout.RestauraGrid();
//   FormClose:                 if (layout.hasLayout()) layout.SalvaGrid();
// A user's column move saves by itself.
#include "host/recordset.h"
#include <QList>
#include <QObject>
#include <QString>
#include <optional>

class QTableView;
namespace qor { class RecordSetModel; }
namespace server { class RemoteServer; }

namespace plan {

struct ColumnLayout {
    QString field;
    int width = 0;
    bool operator==(const ColumnLayout &o) const { return field == o.field && width == o.width; }
};
using GridLayoutColumns = QList<ColumnLayout>;

inline constexpr int kLayoutEntryLength = 18;
inline constexpr int kLayoutColumns = 10;
inline constexpr const char *kLayoutProgram = "APR00100";

GridLayoutColumns DefaultLayout();
QString BuildLayoutText(const GridLayoutColumns &columns);
// Applies text onto current: a width of 1 or more sets the column's field and
// width, a width of 0 or blanks leaves the column as it is. A malformed text (a
// width that is no number, an unknown or repeated field) gives no value.
std::optional<GridLayoutColumns> ParseLayoutText(const QString &text, const GridLayoutColumns &current);
// The layout to show for a stored text: the parsed one or the default.
GridLayoutColumns LayoutForStoredText(const QString &text, const GridLayoutColumns &current);

// The grid's layout in display order, and the other way round; the widths are
// the suite's (see ColumnScale), the grid shows them scaled to its font.
GridLayoutColumns ReadLayout(const QTableView &grid, const qor::RecordSetModel &model);
void ApplyLayout(QTableView &grid, qor::RecordSetModel &model, const GridLayoutColumns &layout);

class GridLayoutStore : public QObject {
    Q_OBJECT
public:
    GridLayoutStore(server::RemoteServer &server, QTableView &grid, qor::RecordSetModel &model,
                    QObject *parent = nullptr);

    void SalvaGrid();
    void RestauraGrid();
    void RestauraDefault();
    // The grid shows a layout of its own: restored, set to the default or changed
    // by the operator. Only such a layout may replace the stored one.
    bool hasLayout() const { return m_hasLayout; }

    qor::RecordSet &cdsProgOperOpc() { return m_progOperOpc; }

private:
    void columnMoved();
    QString storedText();   // null when nothing is stored

    server::RemoteServer &m_server;
    QTableView &m_grid;
    qor::RecordSetModel &m_model;
    qor::RecordSet m_progOperOpc{QStringLiteral("cdsProgOperOpc")};
    bool m_applying = false;
    bool m_hasLayout = false;
};

}
