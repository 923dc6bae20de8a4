#include "plan/planstyle.h"
#include "host/recordset.h"
#include "plan/processos.h"
#include "plan/situacao.h"

namespace plan {

namespace {

bool isZeroDate(const QDateTime &when)
{
    // A zero date-time of the suite is 30/12/1899; anything before 1900 counts as none.
    return !when.isValid() || when.date().year() < 1900;
}

QDateTime dateAt(const qor::RecordSet &records, const char *name, int row, bool *hasTime)
{
    const qor::Field *f = records.findField(QString::fromLatin1(name));
    if (!f)
        return {};
    const QVariant v = f->valueAt(row);
    if (v.isNull() || !v.isValid())
        return {};
    QDateTime when = v.toDateTime();
    if (!when.isValid() && v.canConvert<QString>())
        when = QDateTime::fromString(v.toString(), Qt::ISODate);
    if (isZeroDate(when))
        return {};
    if (hasTime)
        *hasTime = when.time() != QTime(0, 0);
    return when;
}

QString textAt(const qor::RecordSet &records, const char *name, int row)
{
    return records.textAt(QString::fromLatin1(name), row);
}

}

PlanRowValues RowValuesAt(const qor::RecordSet &records, int row)
{
    PlanRowValues values;
    values.status = textAt(records, "IDSITATIVTAR", row).trimmed();
    values.plannedEnd = dateAt(records, "DTFIPATIVTAR", row, &values.plannedEndHasTime);
    values.realisedEnd = dateAt(records, "DTFIRATIVTAR", row, nullptr);
    values.processCode = textAt(records, "CDPROCESSO", row);
    return values;
}

QColor ColorNaoApropriada() { return QColor(0, 0, 0); }
QColor ColorConcluida() { return QColor(128, 128, 128); }
QColor ColorEmAtraso() { return QColor(255, 0, 0); }
QColor ColorFinalizada() { return QColor(0, 0, 255); }
QColor ColorEmAndamento() { return QColor(0, 128, 0); }
QColor ColorParalisada() { return QColor(0, 0, 128); }

QColor StatusFontColor(const QString &status)
{
    if (E(status, Situacao::Planejada))
        return ColorNaoApropriada();
    if (Encerrada(status))
        return ColorConcluida();
    if (E(status, Situacao::EmAndamento))
        return ColorEmAndamento();
    if (E(status, Situacao::Paralisada))
        return ColorParalisada();
    return {};
}

bool IsLate(const PlanRowValues &row, const QDateTime &now)
{
    if (!row.plannedEnd.isValid())
        return false;
    if (!Planejada(row.status) && !E(row.status, Situacao::Paralisada))
        return false;
    if (!row.plannedEndHasTime)
        return row.plannedEnd.date() < now.date();
    return row.plannedEnd < now;
}

bool IsFinished(const PlanRowValues &row)
{
    return row.realisedEnd.isValid() && !E(row.status, Situacao::EmAndamento)
        && !E(row.status, Situacao::Concluida);
}

CellStyle StyleFor(const PlanRowValues &row, const QString &columnField, bool selected,
                   bool gridActive, const QDateTime &now)
{
    CellStyle style;
    style.font = StatusFontColor(row.status);
    if (IsLate(row, now))
        style.font = ColorEmAtraso();
    if (IsFinished(row))
        style.font = ColorFinalizada();

    if (selected) {
        style.background = Background::Highlight;
        style.font = QColor(Qt::white);
    } else {
        style.background = gridActive ? Background::Info : Background::ButtonFace;
    }
    style.selectedPicture = selected;

    const QString &status = row.status;
    if (columnField == QLatin1String("IDSITATIVTAR")) {
        if (E(status, Situacao::Paralisada))
            style.picture = Picture::Play;
        else if (E(status, Situacao::EmAndamento))
            style.picture = Picture::Pause;
        else if (Planejada(status)) {
            style.replaceText = true;
            style.text = QStringLiteral("Iniciar");
        }
    } else if (columnField == QLatin1String("IDORIGTARE")) {
        if (E(status, Situacao::EmAndamento))
            style.picture = Picture::Finalizado;
        else if (E(status, Situacao::Paralisada) && row.realisedEnd.isValid())
            style.picture = Picture::Confirmar;
    } else if (columnField == QLatin1String("NRPRIOATIVTR")) {
        if (processos::MonitoramentoProjeto(row.processCode)) {
            style.picture = Picture::Monitoramento;
            style.replaceText = true;
        }
    }
    return style;
}

QString PictureResource(Picture picture, bool selected)
{
    switch (picture) {
    case Picture::None: return {};
    case Picture::Play: return selected ? ":/plan/imgPlay_Sel.xpm" : ":/plan/imgPlay.xpm";
    case Picture::Pause: return selected ? ":/plan/imgPause_Sel.xpm" : ":/plan/imgPause.xpm";
    case Picture::Finalizado: return selected ? ":/plan/imgFinaliza_Sel.xpm" : ":/plan/imgFinalizado.xpm";
    case Picture::Confirmar: return selected ? ":/plan/imgConfirmar_Sel.xpm" : ":/plan/imgConfirmar.xpm";
    case Picture::Monitoramento: return ":/plan/imgMonitoramento.xpm";
    }
    return {};
}

QColor BackgroundColor(Background background, const QPalette &palette)
{
    switch (background) {
    case Background::Highlight: return palette.color(QPalette::Highlight);
    case Background::Info: return palette.color(QPalette::ToolTipBase);
    case Background::ButtonFace: return palette.color(QPalette::Button);
    }
    return palette.color(QPalette::Base);
}

}
