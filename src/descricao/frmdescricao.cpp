#include "descricao/frmdescricao.h"
#include "host/recordsetmodel.h"
#include "host/services.h"
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

static void initDescricaoTexts() { Q_INIT_RESOURCE(descricao); }

namespace descricao {

namespace {

QString msg(const char *key) { return DescricaoTexts().Msg(QString::fromLatin1(key)); }

qor::FieldDef text(const char *name, int size, const char *labelKey = nullptr)
{
    return {QString::fromLatin1(name), qor::FieldType::String, size, labelKey ? msg(labelKey) : QString()};
}

}

const qor::TMessages &DescricaoTexts()
{
    static const qor::TMessages texts = [] {
        initDescricaoTexts();
        return qor::TMessages(QStringLiteral(":/descricao/descricao.msg"));
    }();
    return texts;
}

bool DescriptionValues::parse(const QStringList &values, DescriptionValues &out)
{
    const auto at = [&](int i) { return values.value(i).trimmed(); };
    out = {at(0), at(1), at(2), at(3), at(4)};
    return !out.filial.isEmpty() && !out.tarefa.isEmpty() && !out.atividade.isEmpty();
}

TfrmDescricaoAtiv::TfrmDescricaoAtiv(const DescriptionValues &values, QWidget *parent)
    : QWidget(parent), m_values(values)
{
    setObjectName(QStringLiteral("frmDescricaoAtiv"));
    setProperty("screenCode", CodigoTela());
    setWindowTitle(msg("TITULO"));
    setAttribute(Qt::WA_DeleteOnClose);
    cdsAtividade.defineFields({text("NRSOLISERV", 10), text("DSREFESOLI", 60), text("DSSOLISERV", 250),
                               text("NMASSUNTO", 50), text("NMOPERSOLI", 50), text("NMFANTCLIE", 50),
                               text("DSREFETAREFA", 250), text("NMPROCESSO", 50), text("CDPRODGRUP", 10)});
    cdsItens.defineFields({text("CDITEMTRAB", 10, "COL_ITEM"), text("CDREDUITTRAB", 20, "COL_CODIGO"),
                           text("NMITEMTRAB", 100, "COL_NOME"),
                           {QStringLiteral("NRCPLXITTARE"), qor::FieldType::Float, 0, msg("COL_COMPLEXIDADE")},
                           text("DSDIRARQFONT", 250, "COL_DIRETORIO")});
    buildView();
    qor::Trad(this);
}

QLineEdit *TfrmDescricaoAtiv::addLine(QFormLayout *form, const char *name, const char *labelKey)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    form->addRow(msg(labelKey), edit);
    return edit;
}

void TfrmDescricaoAtiv::buildView()
{
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    addLine(form, "edtSolicitacao", "SOLICITACAO");
    addLine(form, "edtAssunto", "ASSUNTO");
    addLine(form, "edtCliente", "CLIENTE");
    addLine(form, "edtSolicitante", "SOLICITANTE");
    addLine(form, "edtTarefa", "TAREFA");
    addLine(form, "edtAtividade", "ATIVIDADE");
    addLine(form, "edtProcesso", "PROCESSO");
    addLine(form, "edtDiretorio", "DIRETORIO");
    addLine(form, "edtConsolidada", "CONSOLIDADA");
    layout->addLayout(form);
    auto *description = new QGroupBox(msg("DESCRICAO"), this);
    auto *inside = new QVBoxLayout(description);
    memDescricao = new QPlainTextEdit(description);
    memDescricao->setObjectName(QStringLiteral("memDescricao"));
    memDescricao->setReadOnly(true);
    inside->addWidget(memDescricao);
    layout->addWidget(description, 1);
    auto *items = new QGroupBox(msg("ITENS"), this);
    auto *itemsLayout = new QVBoxLayout(items);
    dbgItens = new QTableView(items);
    dbgItens->setObjectName(QStringLiteral("dbgItens"));
    auto *model = new qor::RecordSetModel(&cdsItens, dbgItens);
    dbgItens->setModel(model);
    dbgItens->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgItens->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgItens->verticalHeader()->hide();
    dbgItens->horizontalHeader()->setStretchLastSection(true);
    itemsLayout->addWidget(dbgItens);
    layout->addWidget(items, 1);
    auto *close = new QPushButton(msg("FECHAR"), this);
    close->setObjectName(QStringLiteral("btnFechar"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(close, 0, Qt::AlignRight);
    auto *code = new QLabel(CodigoTela(), this);
    code->setObjectName(QStringLiteral("lblCodTela"));
    code->hide();
    resize(720, 560);
}

void TfrmDescricaoAtiv::load(server::RemoteServer &server)
{
    const QJsonArray both = server.callArray(QStringLiteral("GetDescricaoAtiv"),
                                             {m_values.filial, m_values.tarefa, m_values.atividade});
    cdsAtividade.setData(both.at(0).toObject());
    cdsItens.setData(both.at(1).toObject());
    showValues();
}

void TfrmDescricaoAtiv::showValues()
{
    const auto set = [this](const char *name, const QString &value) {
        if (auto *edit = findChild<QLineEdit *>(QString::fromLatin1(name)))
            edit->setText(value);
    };
    const auto joined = [](const QString &code, const QString &name) {
        return name.isEmpty() ? code : code + QStringLiteral(" - ") + name;
    };
    set("edtSolicitacao", joined(cdsAtividade.textOf("NRSOLISERV"), cdsAtividade.textOf("DSREFESOLI")));
    set("edtAssunto", cdsAtividade.textOf("NMASSUNTO"));
    set("edtCliente", cdsAtividade.textOf("NMFANTCLIE"));
    set("edtSolicitante", cdsAtividade.textOf("NMOPERSOLI"));
    set("edtTarefa", joined(m_values.tarefa, cdsAtividade.textOf("DSREFETAREFA")));
    set("edtAtividade", m_values.filial + QStringLiteral(" / ") + m_values.atividade);
    set("edtProcesso", cdsAtividade.textOf("NMPROCESSO"));
    set("edtDiretorio", m_values.diretorioBase);
    set("edtConsolidada", m_values.consolidada == QLatin1String("S") ? msg("SIM") : msg("NAO"));
    memDescricao->setPlainText(cdsAtividade.textOf("DSSOLISERV"));
    dbgItens->resizeColumnsToContents();
}

QString TfrmDescricaoAtiv::shown(const char *editName) const
{
    if (auto *edit = findChild<QLineEdit *>(QString::fromLatin1(editName)))
        return edit->text();
    return {};
}

DescricaoWindow::DescricaoWindow(const DescriptionValues &values) : TfrmDescricaoAtiv(values)
{
    connect(&m_connection, &server::TNetConnection::beforeConnect, this, [](server::TNetConnection &c) {
        c.Host = qor::WebURL();
        c.Port = qor::WebPort();
        c.Token = qor::SessionToken();
        c.CaFile = qor::ServerCaFile();
    });
    load(m_server);
}

}
