#include "history/frmshowhistory.h"
#include "history/selarquivo.h"
#include "vcs/extensoes.h"
#include "host/dialogs.h"
#include "host/recordsetmodel.h"
#include "host/services.h"
#include "vcs/commandline.h"
#include "vcs/progress.h"
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

static void initHistoryTexts() { Q_INIT_RESOURCE(history); }

namespace history {

namespace {

const QString &stExtDelphi = vcs::extensoes::Delphi();
const QString &stExtAsp = vcs::extensoes::Asp();
const QString &stExtProdLumetra = vcs::extensoes::Lumetra();
const QString &stExtLumetra = vcs::extensoes::Lumetra();

QString msg(const char *key) { return TfrmShowHistory::Textos().Msg(QString::fromLatin1(key)); }

QList<qor::FieldDef> camposPadrao()
{
    using qor::FieldType;
    return {{QStringLiteral("ORDEM"), FieldType::Integer, 0, {}, true, false},
            {QStringLiteral("DATE"), FieldType::String, kDateSize, msg("COL_DATA"), true},
            {QStringLiteral("REVISION"), FieldType::String, kRevisionSize, msg("COL_VERSAO"), true},
            {QStringLiteral("AUTHOR"), FieldType::String, kAuthorSize, msg("COL_AUTOR"), true},
            {QStringLiteral("MSG"), FieldType::String, kMsgSize, msg("COL_MENSAGEM"), true}};
}

}

const qor::TMessages &TfrmShowHistory::Textos()
{
    static const qor::TMessages texts = [] {
        initHistoryTexts();
        return qor::TMessages(QStringLiteral(":/history/history.msg"));
    }();
    return texts;
}

TfrmShowHistory::TfrmShowHistory(HistoryContext context, QWidget *parent)
    : QDialog(parent), m_contexto(std::move(context)),
      m_runner(stlSaida, [this] { return m_contexto.usuario; })
{
    setObjectName(QStringLiteral("frmShowHistory"));
    setProperty("screenCode", CodigoTela());
    setWindowTitle(msg("TITULO"));
    cdsPadrao.defineFields(camposPadrao());
    cdsPadrao.open();
    cdsVerificaProduto.defineFields({{QStringLiteral("DSDIRBASEVER"), qor::FieldType::String, 250}});
    buildView();
    qor::Trad(this);
    btnUltimaVer->setEnabled(false);
    chbSel2Ver->setEnabled(false);
    Desabilita_Botoes();
    connect(&cdsPadrao, &qor::RecordSet::currentChanged, this, [this] { dtsPadraoDataChange(); });
    connect(&cdsPadrao, &qor::RecordSet::dataReset, this, [this] { dtsPadraoDataChange(); });
    qor::SetUnloadBPL(QStringLiteral("TfrmShowHistory"), this);
}

TfrmShowHistory::~TfrmShowHistory() = default;

void TfrmShowHistory::buildView()
{
    auto *layout = new QVBoxLayout(this);
    auto *topo = new QHBoxLayout;
    topo->addWidget(new QLabel(msg("ARQUIVO"), this));
    edtDir = new QLineEdit(this);
    edtDir->setObjectName(QStringLiteral("edtDir"));
    edtDir->setReadOnly(true);
    edtDir->setFocusPolicy(Qt::NoFocus);
    topo->addWidget(edtDir, 1);
    auto botao = [this](const char *name, const char *hint, const char *icon) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(msg(hint));
        b->setText(msg(hint));
        b->setIcon(QIcon::fromTheme(QString::fromLatin1(icon)));
        return b;
    };
    sbtPesqArq = botao("sbtPesqArq", "PESQUISAR", "document-open");
    sbtFechar = botao("sbtFechar", "FECHAR", "window-close");
    topo->addWidget(sbtPesqArq);
    topo->addWidget(sbtFechar);
    layout->addLayout(topo);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    layout->addWidget(Label2);

    dbgPadrao = new QTableView(this);
    dbgPadrao->setObjectName(QStringLiteral("dbgPadrao"));
    m_modelo = new qor::RecordSetModel(&cdsPadrao, this);
    m_modelo->setColumns({QStringLiteral("DATE"), QStringLiteral("AUTHOR"), QStringLiteral("MSG"),
                          QStringLiteral("REVISION")});
    dbgPadrao->setModel(m_modelo);
    m_modelo->syncCursor(dbgPadrao);
    dbgPadrao->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgPadrao->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgPadrao->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgPadrao->horizontalHeader()->setStretchLastSection(true);
    dbgPadrao->verticalHeader()->hide();
    dbgPadrao->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(dbgPadrao, 3);
    pmnHistory = new QMenu(this);
    pmnHistory->setObjectName(QStringLiteral("pmnHistory"));
    QAction *get = pmnHistory->addAction(msg("MENU_UPDATE"));
    get->setObjectName(QStringLiteral("GET"));
    QAction *diff1 = pmnHistory->addAction(msg("MENU_DIFF"));
    diff1->setObjectName(QStringLiteral("Diff1"));

    auto *grupo = new QGroupBox(msg("GRUPO_DIFF"), this);
    auto *linha = new QHBoxLayout(grupo);
    chbSel2Ver = new QCheckBox(msg("SEL2VER"), grupo);
    chbSel2Ver->setObjectName(QStringLiteral("chbSel2Ver"));
    linha->addWidget(chbSel2Ver);
    auto versao = [grupo, linha](const char *name, QLabel *&label, const QString &caption) {
        label = new QLabel(caption, grupo);
        auto *edit = new QLineEdit(grupo);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaxLength(10);
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,10}")), edit));
        linha->addWidget(label);
        linha->addWidget(edit);
        return edit;
    };
    edtVerComp1 = versao("edtVerComp1", lblVer1, msg("VERSAO1"));
    edtVerComp2 = versao("edtVerComp2", lblVer2, msg("VERSAO2"));
    btnDIffComp2Ver = new QPushButton(msg("BOTAO_DIFF"), grupo);
    btnDIffComp2Ver->setObjectName(QStringLiteral("btnDIffComp2Ver"));
    btnDIffComp2Ver->setAutoDefault(false);
    linha->addWidget(btnDIffComp2Ver);
    linha->addStretch();
    btnUltimaVer = new QPushButton(msg("ULTIMA_VERSAO"), grupo);
    btnUltimaVer->setObjectName(QStringLiteral("btnUltimaVer"));
    btnUltimaVer->setAutoDefault(false);
    linha->addWidget(btnUltimaVer);
    layout->addWidget(grupo);

    panlog = new QWidget(this);
    panlog->setObjectName(QStringLiteral("panlog"));
    auto *logLayout = new QVBoxLayout(panlog);
    logLayout->setContentsMargins(0, 0, 0, 0);
    lsbProgresso = new QListWidget(panlog);
    lsbProgresso->setObjectName(QStringLiteral("lsbProgresso"));
    vcs::InstallProgressBehaviour(lsbProgresso, vcs::Recognition::logViewer());
    logLayout->addWidget(lsbProgresso);
    layout->addWidget(panlog, 2);
    lsbAux = new QListWidget(this);
    lsbAux->setObjectName(QStringLiteral("lsbAux"));
    lsbAux->hide();
    lsbDiff = new QListWidget(this);
    lsbDiff->setObjectName(QStringLiteral("lsbDiff"));
    lsbDiff->hide();
    resize(900, 600);

    auto guardado = [this](void (TfrmShowHistory::*handler)()) {
        return [this, handler] { qor::guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(sbtPesqArq, &QToolButton::clicked, this, guardado(&TfrmShowHistory::sbtPesqArqClick));
    connect(sbtFechar, &QToolButton::clicked, this, &QDialog::close);
    connect(chbSel2Ver, &QCheckBox::clicked, this, guardado(&TfrmShowHistory::chbSel2VerClick));
    connect(btnDIffComp2Ver, &QPushButton::clicked, this, guardado(&TfrmShowHistory::btnDIffComp2VerClick));
    connect(btnUltimaVer, &QPushButton::clicked, this, guardado(&TfrmShowHistory::btnUltimaVerClick));
    connect(get, &QAction::triggered, this, guardado(&TfrmShowHistory::GETClick));
    connect(diff1, &QAction::triggered, this, guardado(&TfrmShowHistory::Diff1Click));
    connect(dbgPadrao, &QWidget::customContextMenuRequested, this, &TfrmShowHistory::mostraMenu);
}

void TfrmShowHistory::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F9) {
        qor::guarded([this] { sbtPesqArqClick(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmShowHistory::mostraMenu(const QPoint &at)
{
    if (cdsPadrao.isEmpty()) return;
    pmnHistory->popup(dbgPadrao->viewport()->mapToGlobal(at));
}

void TfrmShowHistory::Habilita_Botoes()
{
    for (QWidget *w : {static_cast<QWidget *>(lblVer1), static_cast<QWidget *>(lblVer2),
                       static_cast<QWidget *>(edtVerComp1), static_cast<QWidget *>(edtVerComp2),
                       static_cast<QWidget *>(btnDIffComp2Ver)})
        w->setEnabled(true);
}

void TfrmShowHistory::Desabilita_Botoes()
{
    for (QWidget *w : {static_cast<QWidget *>(lblVer1), static_cast<QWidget *>(lblVer2),
                       static_cast<QWidget *>(edtVerComp1), static_cast<QWidget *>(edtVerComp2),
                       static_cast<QWidget *>(btnDIffComp2Ver)})
        w->setEnabled(false);
    edtVerComp1->clear();
    edtVerComp2->clear();
}

void TfrmShowHistory::chbSel2VerClick()
{
    if (chbSel2Ver->isChecked()) Habilita_Botoes();
    else Desabilita_Botoes();
}

void TfrmShowHistory::dtsPadraoDataChange()
{
    btnUltimaVer->setEnabled(!cdsPadrao.isEmpty());
    chbSel2Ver->setEnabled(!cdsPadrao.isEmpty());
}

void TfrmShowHistory::colorirGrade()
{
    dbgPadrao->setAlternatingRowColors(true);
}

QString TfrmShowHistory::arquivo() const { return edtDir->text(); }
QString TfrmShowHistory::nomeArquivo() const { return Label2->text(); }

namespace {

// The description key and the masks of the platform chosen at start.
std::pair<const char *, QString> filtroDa(vcs::PlataformaProduto plataforma)
{
    switch (plataforma) {
    case vcs::PlataformaProduto::Delphi: return {"FILTRO_DELPHI", stExtDelphi};
    case vcs::PlataformaProduto::Asp: return {"FILTRO_ASP", stExtAsp};
    case vcs::PlataformaProduto::ProdutoLumetra: return {"FILTRO_PROD_LUMETRA", stExtProdLumetra};
    case vcs::PlataformaProduto::FrameworkLumetra: break;
    }
    return {"FILTRO_LUMETRA", stExtLumetra};
}

}

QString TfrmShowHistory::FiltroArquivos() const
{
    const auto [key, masks] = filtroDa(m_contexto.plataforma);
    return msg(key) + QStringLiteral(" (") + masks.split(u';', Qt::SkipEmptyParts).join(u' ') + u')';
}

QString TfrmShowHistory::MascarasArquivos() const { return filtroDa(m_contexto.plataforma).second; }

// The file dialog through the dialog seam: logical paths only, opened on the
// folder of the file last chosen, at first on "C:\".
QString TfrmShowHistory::escolheArquivo()
{
    TfrmSelArquivo dialogo(paths(), msg("DIALOGO_ARQUIVO"), FiltroArquivos(), MascarasArquivos(), this);
    const QString ultimaPasta = m_ultimoEscolhido.left(m_ultimoEscolhido.lastIndexOf(u'\\'));
    if (ultimaPasta.isEmpty() || !dialogo.abre(ultimaPasta)) dialogo.abre(QStringLiteral("C:\\"));
    if (qor::Dialogs().execModal(dialogo) != QDialog::Accepted) return {};
    return dialogo.arquivoEscolhido();
}

vcs::SvnRun TfrmShowHistory::em(const QString &caption, QListWidget *list)
{
    return {m_runner.runner(), caption, vcs::ListSink(list)};
}

void TfrmShowHistory::sbtPesqArqClick()
{
    edtDir->clear();
    Label2->clear();
    chbSel2Ver->setChecked(false);
    Desabilita_Botoes();
    mostraRegistros({});
    const QString escolhido = escolheArquivo();
    if (escolhido.isEmpty()) return;   // the log stays empty
    m_ultimoEscolhido = escolhido;
    edtDir->setText(escolhido);
    Label2->setText(escolhido.mid(escolhido.lastIndexOf(u'\\') + 1));
    colorirGrade();
    CopiaURL();
    lsbAux->clear();
    lsbProgresso->clear();
    stlSaida.clear();
    carregaLog(stUrl);
}

void TfrmShowHistory::sbtVerificarClick()
{
    if (edtDir->text().isEmpty()) return;
    edtDir->clear();
    Label2->clear();
    mostraRegistros({});
    edtDir->setText(m_ultimoEscolhido);
    Label2->setText(QFileInfo(paths().toHost(m_ultimoEscolhido)).fileName());
    colorirGrade();
    stlSaida.clear();
    carregaLog(stUrl);
}

void TfrmShowHistory::CopiaURL()
{
    stlSaida.clear();
    stUrl.clear();
    stUrl = m_svn.info(em(QString(), lsbAux), arquivo()).url;
}

void TfrmShowHistory::carregaLog(const QString &target)
{
    // Without a location there is no log to ask for (the file is not under version control).
    if (target.isEmpty()) return;

    // Progress: the entries read so far, counted in the chunks as they arrive.
    qor::BusyCursor busy;
    qor::ActiveShowAvi(qor::HostMainWindow(), 6, msg("LENDO_LOG"));
    qsizetype contados = 0, lidas = 0;
    QTimer progresso;
    connect(&progresso, &QTimer::timeout, this, [&] {
        for (; contados < stlSaida.size(); ++contados) lidas += stlSaida.at(contados).count(QLatin1String("<logentry"));
        qor::ActiveShowAvi(qor::HostMainWindow(), 6, msg("LENDO_LOG") + QStringLiteral(" %1").arg(lidas));
    });
    progresso.start(250);
    struct Hide { ~Hide() { qor::DeactiveShowAvi(); } } hide;
    m_svn.log(em(QString(), lsbProgresso), target);
    progresso.stop();

    const QString text = stlSaida.join(QString());
    if (text.isEmpty()) return;
    QList<LogEntry> entries = ParseLog(text);
    VerificaData(entries);
    mostraRegistros(OrdenaRegistros(std::move(entries)));
}

void TfrmShowHistory::mostraRegistros(const QList<LogEntry> &entries)
{
    QJsonArray fields;
    for (const qor::FieldDef &f : camposPadrao())
        fields.append(QJsonObject{{QStringLiteral("name"), f.name},
                                  {QStringLiteral("type"), f.type == qor::FieldType::Integer ? QStringLiteral("integer")
                                                                                             : QStringLiteral("string")},
                                  {QStringLiteral("size"), f.size}});
    QJsonArray rows;
    int ordem = 1;
    for (const LogEntry &e : entries)
        rows.append(QJsonArray{ordem++, e.date, e.revision, e.author, e.msg});
    cdsPadrao.setData(QJsonObject{{QStringLiteral("fields"), fields}, {QStringLiteral("rows"), rows}});
    cdsPadrao.first();
    if (!entries.isEmpty()) dbgPadrao->resizeColumnsToContents();
}

void CriaShowHistory(const HistoryContext &context, QWidget *parent)
{
    auto *window = new TfrmShowHistory(context, parent);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    {
        qor::BusyCursor busy;
    }
    qor::Dialogs().execModal(*window);
    delete window;
}

}
