#include <QFont>
#include "plan/planfields.h"
#include "plan/columnscale.h"
#include "plan/planstyle.h"
#include "plan/plantooltips.h"
#include <QHeaderView>
#include <QPalette>
#include <QTableView>

namespace plan {

namespace {

using qor::FieldDef;
using qor::FieldType;

FieldDef field(const char *name, FieldType type, const QString &label)
{
    FieldDef d;
    d.name = QString::fromLatin1(name);
    d.type = type;
    d.label = label;
    return d;
}

FieldDef text(const char *name, int size, const QString &label = {}, bool readOnly = false)
{
    FieldDef d = field(name, FieldType::String, label);
    d.size = size;
    d.readOnly = readOnly;
    return d;
}

FieldDef date(const char *name, const QString &label = {}) { return field(name, FieldType::DateTime, label); }
FieldDef number(const char *name, const QString &label = {}) { return field(name, FieldType::Float, label); }

QList<FieldDef> planFieldDefs()
{
    const QString blanks = QStringLiteral("  ");
    return {
        text("NRPRIOATIVTR", 3, "Fila"),
        text("NRTAREFA", 10),
        text("NRPLATIVTARE", 5),
        text("NMPROCESSO", 100, "Processo"),
        text("CDFILIAL", 4),
        text("IDSITATIVTAR", 1, blanks),
        date("DTCONATIVTAR"),
        number("NRCPLXITATIV", "Pontos"),
        text("NRREPETATIV", 10),
        text("CDPROJETO", 10),
        text("NMPROJETO", 100),
        text("CDITEMTRAB", 10),
        text("NMITEMTRAB", 100),
        text("CDPRODGRUP", 10),
        text("IDORIGTARE", 1, blanks),
        text("CDARVITTRAB", 20),
        text("DSREFETAREFA", 100, "Atividade"),
        text("NRPRIOTAREFA", 3),
        text("NRSOLISERV", 10),
        text("CDOPERINCL", 12),
        text("NMOPERINCL", 50, "Operador Inclusão"),
        text("CDOPERRESP", 12),
        date("DTINCATIVTAR"),
        text("NMOPERRESP", 50),
        text("NMOPERSOLI", 50),
        text("NMASSUNTO", 50),
        text("DSREFESOLI", 60),
        date("DTPREVENCSOL", "Compromisso Interno"),
        date("DTCOMPROMISS", "Data Liberação"),
        text("NMFANTCLIE", 50),
        date("DTHRREUNIAO"),
        text("CDPROCESSO", 10, "Processo"),
        text("CDQUALIFPROC", 2),
        text("DSDIRBASEVER", 30),
        text("DSDIRVSS", 250),
        number("VRFATOCPLX"),
        text("DSTEMPLAITAR", 5, "Tempo", true),
        date("DTINPATIVTAR"),
        date("DTFIPATIVTAR", "Planejado"),
        date("DTFIRATIVTAR", "Realizado"),
        text("DSPROJETO", 50, "Projeto"),
        text("DSSOLISERV", 50, "Solicitação"),
        text("CDREDUITTRAB", 10, "Item Tarefa"),
        number("QTDEATIV"),
        text("IDGERATVCONS", 1),
        number("QTLIMSEMAPROP"),
        text("IDSTATUSATESTE", 1),
        text("IDAUTOTESTE", 1),
        text("DSSTFASETRAM", 50, "Situação da solicitação"),
        text("CDARVPRODGRUP", 20),
    };
}

QString valueText(const qor::RecordSet &records, const char *field)
{
    return records.textOf(QString::fromLatin1(field));
}

}

QString PontosText(const QString &value)
{
    return QStringLiteral("Pontos da Atividade ") + value;
}

QString TarefaText(const QString &nrTarefa, const QVariant &description)
{
    if (description.isNull() || !description.isValid())
        return {};
    return nrTarefa + QStringLiteral(" - ") + description.toString();
}

QString SolicitacaoText(const QString &nrSoliServ, const QString &description)
{
    return nrSoliServ + QStringLiteral(" - ") + description;
}

QString ItemTarefaText(const QString &code, const QString &name)
{
    if (code.isEmpty())
        return {};
    return code + QStringLiteral(" - ") + name;
}

void DefinePlanFields(qor::RecordSet &records)
{
    QList<FieldDef> defs = planFieldDefs();
    for (FieldDef &d : defs)
        d.visible = d.name == QLatin1String("DSSOLISERV") || d.name == QLatin1String("DSSTFASETRAM");
    records.defineFields(defs);

    qor::RecordSet *rs = &records;
    records.fieldByName("NRCPLXITATIV").onGetText = [](const qor::Field &f) {
        return PontosText(f.isNull() ? QString() : qor::DisplayNumber(f.asFloat()));
    };
    records.fieldByName("DSREFETAREFA").onGetText = [rs](const qor::Field &f) {
        return TarefaText(valueText(*rs, "NRTAREFA"), f.isNull() ? QVariant() : QVariant(f.asString()));
    };
    records.fieldByName("DSREFESOLI").onGetText = [rs](const qor::Field &f) {
        return SolicitacaoText(valueText(*rs, "NRSOLISERV"), f.asString());
    };
    records.fieldByName("CDREDUITTRAB").onGetText = [rs](const qor::Field &f) {
        return ItemTarefaText(f.asString(), valueText(*rs, "NMITEMTRAB"));
    };
}

void DefineAndamentoFields(qor::RecordSet &records)
{
    records.defineFields({
        text("CDFILIAL", 4),
        text("NRTAREFA", 10),
        text("NRPLATIVTARE", 5),
        text("CDPROCESSO", 10),
        text("IDATENDIMENTO", 1, {}, true),
    });
}

void DefineProgOperOpcFields(qor::RecordSet &records)
{
    records.defineFields({text("TXPROPRIED", 350)});
}

void DefineItemTarefaFields(qor::RecordSet &records)
{
    records.defineFields({
        text("CDITEMTRAB", 10),
        text("NMITEMTRAB", 100),
        number("NRCPLXITTARE", QStringLiteral("Complexidade")),
        text("NRTAREFA", 10),
        text("NRPLATIVTARE", 5),
        text("CDREDUITTRAB", 20),
        text("DSDIRARQFONT", 250),
        text("DSARQCHECKOUT", 100),
        text("IDSITCHECKOUT", 1),
        text("DSDIRRAIZARQ", 80),
        text("CDTIPOITTRAB", 2),
        text("CDFILIAL", 4),
    });
    qor::RecordSet *rs = &records;
    records.fieldByName("CDREDUITTRAB").onGetText = [rs](const qor::Field &f) {
        return ItemTarefaText(f.asString(), valueText(*rs, "NMITEMTRAB"));
    };
}

const QList<PlanColumn> &PlanColumns()
{
    static const QList<PlanColumn> columns = {
        {"IDSITATIVTAR", "  ", 40},
        {"IDORIGTARE", "  ", 40},
        {"NRPRIOATIVTR", "Fila", 30},
        {"DSTEMPLAITAR", "Tempo", 42},
        {"CDREDUITTRAB", "Item Tarefa", 100},
        {"NMPROCESSO", "Processo", 200},
        {"DSSOLISERV", "Solicitação / Tarefa", 200},
        {"DTFIRATIVTAR", "Realizado", 80},
        {"DTFIPATIVTAR", "Planejado", 80},
        {"DSSTFASETRAM", "Situação da solicitação", 200},
    };
    return columns;
}

QStringList PlanColumnFields()
{
    QStringList names;
    for (const PlanColumn &c : PlanColumns())
        names << c.field;
    return names;
}

QString PlanColumnTitle(const QString &field)
{
    for (const PlanColumn &c : PlanColumns())
        if (c.field == field)
            return c.title;
    return {};
}

PlanGridModel::PlanGridModel(qor::RecordSet *records, QObject *parent)
    : qor::RecordSetModel(records, parent)
{
}

QVariant PlanGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        const QString title = PlanColumnTitle(fieldNameAt(section));
        if (!title.isEmpty())
            return title;
    }
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole) {
        const QString tip = HeaderToolTip(fieldNameAt(section));
        if (!tip.isEmpty())
            return tip;
    }
    return qor::RecordSetModel::headerData(section, orientation, role);
}

QVariant PlanGridModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::ToolTipRole || !index.isValid() || !records())
        return qor::RecordSetModel::data(index, role);
    const QString tip = StatusToolTip(RowValuesAt(*records(), index.row()), fieldNameAt(index.column()),
                                      QDateTime::currentDateTime());
    return tip.isEmpty() ? qor::RecordSetModel::data(index, role) : QVariant(tip);
}

void StylePlanGrid(QTableView &grid)
{
    // Fixed row in the suite's title blue (BGR 11895364) with bold titles in the window colour.
    grid.horizontalHeader()->setStyleSheet(QStringLiteral(
        "QHeaderView::section { background-color: #4482B5; color: white; font-weight: bold;"
        " border: 1px solid #2F5E86; padding: 1px 3px; }"));
    QPalette palette = grid.palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    grid.setPalette(palette);
    grid.setShowGrid(true);
    // The suite's column widths were made for its small grid font.
    QFont font = grid.font();
    font.setPixelSize(11);
    grid.setFont(font);
    grid.verticalHeader()->setDefaultSectionSize(grid.fontMetrics().height() + 6);
}

void ApplyPlanColumns(QTableView &grid, qor::RecordSetModel &model)
{
    StylePlanGrid(grid);
    model.setColumns(PlanColumnFields());
    model.setEditableColumns({QStringLiteral("NRPRIOATIVTR")});
    QHeaderView *header = grid.horizontalHeader();
    header->setMinimumSectionSize(1);
    const ColumnScale scale(grid.font());
    for (int i = 0; i < PlanColumns().size(); ++i)
        header->resizeSection(i, scale.toScreen(PlanColumns().at(i).width));
}

}
