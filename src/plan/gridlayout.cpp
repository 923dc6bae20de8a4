#include "plan/gridlayout.h"
#include "plan/planfields.h"
#include "plan/columnscale.h"
#include "host/recordsetmodel.h"
#include "host/services.h"
#include "server/remote.h"
#include <QHeaderView>
#include <QSet>
#include <QTableView>

namespace plan {

GridLayoutColumns DefaultLayout()
{
    return {
        {"IDSITATIVTAR", 40}, {"IDORIGTARE", 40},  {"NRPRIOATIVTR", 24}, {"DSTEMPLAITAR", 42},
        {"CDREDUITTRAB", 80}, {"NMPROCESSO", 80},  {"DSSOLISERV", 200},  {"DTFIRATIVTAR", 80},
        {"DTFIPATIVTAR", 100}, {"DSSTFASETRAM", 200},
    };
}

QString BuildLayoutText(const GridLayoutColumns &columns)
{
    QString text;
    for (const ColumnLayout &c : columns) {
        // A width that does not fit the four characters would shift every later entry.
        const int width = qBound(0, c.width, 9999);
        text += c.field.left(12).leftJustified(12, QLatin1Char(' '));
        text += QLatin1Char('#');
        text += QString::number(width).leftJustified(4, QLatin1Char(' '));
        text += QLatin1Char('#');
    }
    return text;
}

std::optional<GridLayoutColumns> ParseLayoutText(const QString &text, const GridLayoutColumns &current)
{
    const QStringList known = PlanColumnFields();
    GridLayoutColumns result = current;
    for (int i = 0; i < kLayoutColumns && i < result.size(); ++i) {
        const int start = kLayoutEntryLength * i;
        const QString widthText = text.mid(start + 13, 4).trimmed();
        if (widthText.isEmpty())
            continue;
        bool ok = false;
        const int width = widthText.toInt(&ok);
        if (!ok)
            return std::nullopt;
        if (width < 1)
            continue;
        const QString field = text.mid(start, 12).trimmed();
        if (!known.contains(field))
            return std::nullopt;
        result[i] = {field, width};
    }
    QSet<QString> seen;
    for (const ColumnLayout &c : result) {
        if (seen.contains(c.field))
            return std::nullopt;
        seen.insert(c.field);
    }
    return result;
}

GridLayoutColumns LayoutForStoredText(const QString &text, const GridLayoutColumns &current)
{
    return ParseLayoutText(text, current).value_or(DefaultLayout());
}

GridLayoutColumns ReadLayout(const QTableView &grid, const qor::RecordSetModel &model)
{
    const QHeaderView *header = grid.horizontalHeader();
    const ColumnScale scale(grid.font());
    GridLayoutColumns layout;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        layout.append({model.fieldNameAt(logical), scale.toSuite(header->sectionSize(logical))});
    }
    return layout;
}

void ApplyLayout(QTableView &grid, qor::RecordSetModel &model, const GridLayoutColumns &layout)
{
    QStringList fields;
    for (const ColumnLayout &c : layout)
        fields << c.field;
    model.setColumns(fields);
    QHeaderView *header = grid.horizontalHeader();
    header->setMinimumSectionSize(1);
    for (int i = 0; i < header->count(); ++i)
        if (header->visualIndex(i) != i)
            header->moveSection(header->visualIndex(i), i);
    const ColumnScale scale(grid.font());
    for (int i = 0; i < layout.size() && i < header->count(); ++i)
        header->resizeSection(i, scale.toScreen(layout.at(i).width));
}

GridLayoutStore::GridLayoutStore(server::RemoteServer &server, QTableView &grid,
                                 qor::RecordSetModel &model, QObject *parent)
    : QObject(parent), m_server(server), m_grid(grid), m_model(model)
{
    DefineProgOperOpcFields(m_progOperOpc);
    connect(grid.horizontalHeader(), &QHeaderView::sectionMoved, this, [this] { columnMoved(); });
    connect(grid.horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
        if (!m_applying)
            m_hasLayout = true;
    });
}

void GridLayoutStore::columnMoved()
{
    if (m_applying)
        return;
    m_hasLayout = true;
    qor::guarded([this] { SalvaGrid(); });
}

QString GridLayoutStore::storedText()
{
    m_server.load(m_progOperOpc, QStringLiteral("GetProgOperOpc"),
                  {QString::fromLatin1(kLayoutProgram), qor::Operador()});
    if (m_progOperOpc.isEmpty())
        return {};
    m_progOperOpc.first();
    const QString text = m_progOperOpc.fieldByName(QStringLiteral("TXPROPRIED")).asString();
    return text.isNull() ? QStringLiteral("") : text;
}

void GridLayoutStore::SalvaGrid()
{
    const QString text = BuildLayoutText(ReadLayout(m_grid, m_model).mid(0, kLayoutColumns));
    const bool stored = !storedText().isNull();
    m_server.call(QStringLiteral("SetProgOperOpc"),
                  {QString::fromLatin1(kLayoutProgram), qor::Operador(), text,
                   stored ? QStringLiteral("2") : QStringLiteral("1")});
}

void GridLayoutStore::RestauraGrid()
{
    const QString text = storedText();
    if (text.isNull()) {
        RestauraDefault();
        return;
    }
    GridLayoutColumns current = ReadLayout(m_grid, m_model);
    if (current.size() != kLayoutColumns)
        current = DefaultLayout();
    m_applying = true;
    ApplyLayout(m_grid, m_model, LayoutForStoredText(text, current));
    m_applying = false;
    m_hasLayout = true;
}

void GridLayoutStore::RestauraDefault()
{
    m_applying = true;
    ApplyLayout(m_grid, m_model, DefaultLayout());
    m_applying = false;
    m_hasLayout = true;
}

}
