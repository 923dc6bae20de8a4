#include "plan/planpanels.h"
#include "plan/planstyle.h"
#include "plan/plantooltips.h"
#include "host/recordset.h"
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace plan {

DetailsPanel::DetailsPanel(qor::RecordSet &records, QWidget *parent)
    : QGroupBox(QStringLiteral("Dados Adicionais"), parent), m_records(records)
{
    setObjectName(QStringLiteral("panDadosAdicionais"));
    auto *grid = new QGridLayout(this);
    const QList<QPair<QString, QString>> details = {
        {QStringLiteral("Projeto"), QStringLiteral("DSPROJETO")},
        {QStringLiteral("Solicitação"), QStringLiteral("DSREFESOLI")},
        {QStringLiteral("Tarefa"), QStringLiteral("DSREFETAREFA")},
        {QStringLiteral("Operador Inclusão"), QStringLiteral("NMOPERINCL")},
        {QStringLiteral("Responsável"), QStringLiteral("NMOPERRESP")},
        {QStringLiteral("Cliente"), QStringLiteral("NMFANTCLIE")},
    };
    for (int i = 0; i < details.size(); ++i) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("dbe") + details[i].second);
        edit->setReadOnly(true);
        const int row = i / 2, col = (i % 2) * 2;
        grid->addWidget(new QLabel(details[i].first, this), row, col);
        grid->addWidget(edit, row, col + 1);
        m_details.append({details[i].second, edit});
    }
    connect(&records, &qor::RecordSet::currentChanged, this, &DetailsPanel::refresh);
    connect(&records, &qor::RecordSet::dataReset, this, &DetailsPanel::refresh);
    connect(&records, &qor::RecordSet::rowChanged, this, &DetailsPanel::refresh);
    refresh();
}

void DetailsPanel::refresh()
{
    const bool hasRow = m_records.active() && !m_records.isEmpty() && m_records.recNo() >= 0;
    for (const Detail &d : m_details) {
        const qor::Field *f = m_records.findField(d.field);
        d.edit->setText(hasRow && f ? f->displayText() : QString());
        d.edit->setCursorPosition(0);
    }
}

QString DetailsPanel::shownText(const QString &field) const
{
    for (const Detail &d : m_details)
        if (d.field == field)
            return d.edit->text();
    return {};
}

LegendPanel::LegendPanel(QWidget *parent)
    : QGroupBox(QStringLiteral("Legenda"), parent)
{
    setObjectName(QStringLiteral("panLegenda"));
    auto *grid = new QGridLayout(this);
    const QList<QPair<QString, QColor>> states = {
        {PlanTexts().Msg(QStringLiteral("DICA_NAO_APROPRIADA")), ColorNaoApropriada()},
        {PlanTexts().Msg(QStringLiteral("DICA_CONCLUIDA")), ColorConcluida()},
        {PlanTexts().Msg(QStringLiteral("DICA_EM_ATRASO")), ColorEmAtraso()},
        {PlanTexts().Msg(QStringLiteral("DICA_FINALIZADA")), ColorFinalizada()},
        {PlanTexts().Msg(QStringLiteral("DICA_EM_ANDAMENTO")), ColorEmAndamento()},
        {PlanTexts().Msg(QStringLiteral("DICA_PARALISADA")), ColorParalisada()},
    };
    for (int i = 0; i < states.size(); ++i) {
        auto *swatch = new QLabel(this);
        swatch->setObjectName(QStringLiteral("shpLegenda%1").arg(i + 1));
        swatch->setFixedSize(14, 14);
        swatch->setAutoFillBackground(true);
        QPalette p = swatch->palette();
        p.setColor(QPalette::Window, states[i].second);
        swatch->setPalette(p);
        swatch->setFrameShape(QFrame::Box);
        const int row = i / 2, col = (i % 2) * 2;
        grid->addWidget(swatch, row, col);
        grid->addWidget(new QLabel(states[i].first, this), row, col + 1);
    }
}

}
