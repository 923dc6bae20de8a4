#include "workflow/frmselcheckin.h"
#include "host/recordsetmodel.h"
#include "host/services.h"
#include "server/remote.h"
#include "workflow/buscacheckout.h"
#include "workflow/workflowcontext.h"
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPalette>
#include <QSignalBlocker>
#include <QTableView>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

namespace workflow {

namespace {

const QString kArquivo = QStringLiteral("ARQUIVO");
const QString kNmArquivo = QStringLiteral("NMARQUIVO");
const QString kDepois = QStringLiteral("IDADICIONADODEPOIS");

QString msg(const char *key)
{
    return BuscaCheckin::Msg(key);
}

QToolButton *botao(QWidget *parent, const char *name, const QString &text, const QString &hint = {})
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    b->setToolTip(hint);
    b->setFocusPolicy(Qt::NoFocus);   // the include button acts on the list that keeps the focus
    return b;
}

// The chosen files: those added on their own in blue, the others in black,
// on the info background.
class ModeloArquivos : public qor::RecordSetModel {
public:
    using qor::RecordSetModel::RecordSetModel;
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::ForegroundRole && index.isValid())
            return QColor(records()->textAt(kDepois, index.row()) == u"S" ? Qt::blue : Qt::black);
        if (role == Qt::BackgroundRole && index.isValid())
            return QApplication::palette().color(QPalette::ToolTipBase);
        return qor::RecordSetModel::data(index, role);
    }
};

// After every include or remove the checked-out files are put back, even
// when the action ended with a refusal.
class Mantem {
public:
    explicit Mantem(std::function<void()> acao) : m_acao(std::move(acao)) {}
    ~Mantem() { m_acao(); }
    Mantem(const Mantem &) = delete;
    Mantem &operator=(const Mantem &) = delete;
private:
    std::function<void()> m_acao;
};

}

TfrmSelCheckin::TfrmSelCheckin(WorkflowContext &ctx, PlataformaProduto plataforma, const SelecaoCheckin &valores,
                               bool &boConfirmaCheckin, QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_valores(valores), m_boConfirmaCheckin(boConfirmaCheckin),
      m_busca(ctx, plataforma, valores)
{
    setObjectName(QStringLiteral("frmSelCheckin"));
    setProperty("screenCode", CodigoTela());
    setWindowTitle(msg("TITULO"));
    cdsListaArquivos.defineFields({{kArquivo, qor::FieldType::String, 250}});
    cdsListaArquivos.open();
    cdsListaArquivos.setFilter(
        [this](const qor::RecordSet &r) { return BuscaCheckout::FiltroAceita(m_filtro, r.textOf(kArquivo)); });
    cdsArquivo.defineFields({{kNmArquivo, qor::FieldType::String, 250, msg("TITULO_GRADE"), true},
                             {kDepois, qor::FieldType::String, 1, QString(), true, false}});
    cdsArquivo.open();
    buildView();
    conecta();
    qor::Trad(this);
}

TfrmSelCheckin::~TfrmSelCheckin() = default;

void TfrmSelCheckin::buildView()
{
    auto *layout = new QVBoxLayout(this);
    auto *topo = new QHBoxLayout;
    topo->addWidget(new QLabel(msg("ROTULO_DIRETORIO"), this));
    edtDirCliente = new QLineEdit(this);
    edtDirCliente->setObjectName(QStringLiteral("edtDirCliente"));
    edtDirCliente->setReadOnly(true);
    edtDirCliente->installEventFilter(this);
    topo->addWidget(edtDirCliente, 1);
    btnSelDir = botao(this, "btnSelDir", QStringLiteral("..."));
    topo->addWidget(btnSelDir);
    topo->addWidget(new QLabel(msg("ROTULO_FILTRO"), this));
    edtFiltro = new QLineEdit(this);
    edtFiltro->setObjectName(QStringLiteral("edtFiltro"));
    edtFiltro->setToolTip(msg("HINT_FILTRO"));
    edtFiltro->setEnabled(false);
    topo->addWidget(edtFiltro, 1);
    layout->addLayout(topo);
    pmnDirItemtrab = new QMenu(this);
    pmnDirItemtrab->setObjectName(QStringLiteral("pmnDirItemtrab"));

    auto *meio = new QHBoxLayout;
    lsbArquivos = new QListWidget(this);
    lsbArquivos->setObjectName(QStringLiteral("lsbArquivos"));
    lsbArquivos->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lsbArquivos->viewport()->installEventFilter(this);
    meio->addWidget(lsbArquivos, 1);
    auto *botoes = new QVBoxLayout;
    sbtInclui = botao(this, "sbtInclui", QStringLiteral(">"));
    sbtIncluiTodos = botao(this, "sbtIncluiTodos", QStringLiteral(">>"));
    sbtExclui = botao(this, "sbtExclui", QStringLiteral("<"));
    sbExcluiTodos = botao(this, "sbExcluiTodos", QStringLiteral("<<"));
    botoes->addStretch();
    for (QToolButton *b : {sbtInclui, sbtIncluiTodos, sbtExclui, sbExcluiTodos})
        botoes->addWidget(b);
    botoes->addStretch();
    meio->addLayout(botoes);
    dbgArquivos = new QTableView(this);
    dbgArquivos->setObjectName(QStringLiteral("dbgArquivos"));
    m_modelo = new ModeloArquivos(&cdsArquivo, this);
    m_modelo->setColumns({kNmArquivo});
    dbgArquivos->setModel(m_modelo);
    m_modelo->syncCursor(dbgArquivos);
    dbgArquivos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgArquivos->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgArquivos->setSelectionMode(QAbstractItemView::ExtendedSelection);
    dbgArquivos->horizontalHeader()->setStretchLastSection(true);
    dbgArquivos->verticalHeader()->hide();
    dbgArquivos->viewport()->installEventFilter(this);
    meio->addWidget(dbgArquivos, 1);
    layout->addLayout(meio, 2);

    auto *baixo = new QHBoxLayout;
    auto *status = new QVBoxLayout;
    status->addWidget(new QLabel(msg("TITULO_STATUS"), this));
    lsbProgresso = new QListWidget(this);
    lsbProgresso->setObjectName(QStringLiteral("lsbProgresso"));
    lsbProgresso->viewport()->installEventFilter(this);
    status->addWidget(lsbProgresso);
    baixo->addLayout(status, 1);
    buildLegenda();
    baixo->addWidget(gbxLegenda);
    layout->addLayout(baixo, 1);

    auto *rodape = new QHBoxLayout;
    rodape->addStretch();
    sbtConfirma = botao(this, "sbtConfirma", msg("HINT_CONFIRMAR"), msg("HINT_CONFIRMAR"));
    sbtCancel = botao(this, "sbtCancel", msg("HINT_FECHAR"), msg("HINT_FECHAR"));
    rodape->addWidget(sbtConfirma);
    rodape->addWidget(sbtCancel);
    layout->addLayout(rodape);
    resize(960, 640);
}

void TfrmSelCheckin::buildLegenda()
{
    gbxLegenda = new QGroupBox(msg("LEGENDA"), this);
    gbxLegenda->setObjectName(QStringLiteral("gbxLegenda"));
    auto *grade = new QGridLayout(gbxLegenda);
    int linha = 0;
    for (const char *letra : {"A", "D", "M", "?", "C", "K", "!"}) {
        grade->addWidget(new QLabel(QString::fromLatin1(letra), gbxLegenda), linha, 0);
        grade->addWidget(new QLabel(BuscaCheckin::Textos().Msg(QStringLiteral("LEGENDA_") + QLatin1String(letra)),
                                    gbxLegenda),
                         linha, 1);
        ++linha;
    }
}

void TfrmSelCheckin::conecta()
{
    auto guardado = [this](void (TfrmSelCheckin::*handler)()) {
        return [this, handler] { qor::guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(btnSelDir, &QToolButton::clicked, this, guardado(&TfrmSelCheckin::btnSelDirClick));
    connect(edtFiltro, &QLineEdit::textChanged, this, guardado(&TfrmSelCheckin::edtFiltroChange));
    connect(edtDirCliente, &QLineEdit::textChanged, this,
            [this] { edtFiltro->setEnabled(!edtDirCliente->text().isEmpty()); });
    connect(lsbArquivos, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        qor::guarded([this, item] { IncluiArquivo(item->text()); });
    });
    connect(sbtInclui, &QToolButton::clicked, this, guardado(&TfrmSelCheckin::sbtIncluiClick));
    connect(sbtIncluiTodos, &QToolButton::clicked, this, guardado(&TfrmSelCheckin::sbtIncluiTodosClick));
    connect(sbtExclui, &QToolButton::clicked, this, guardado(&TfrmSelCheckin::sbtExcluiClick));
    connect(sbExcluiTodos, &QToolButton::clicked, this, guardado(&TfrmSelCheckin::sbExcluiTodosClick));
    connect(dbgArquivos, &QTableView::doubleClicked, this, guardado(&TfrmSelCheckin::dbgArquivosDblClick));
    connect(sbtConfirma, &QToolButton::clicked, this, guardado(&TfrmSelCheckin::sbtConfirmaClick));
    connect(sbtCancel, &QToolButton::clicked, this, guardado(&TfrmSelCheckin::sbtCancelClick));
}

void TfrmSelCheckin::Prepara()
{
    lsbProgresso->clear();
    lsbArquivos->clear();
    edtDirCliente->clear();
    m_busca.Prepara();
    lsbProgresso->addItems(m_busca.StatusInicial());
}

// Only the first activation: a message box of the dialog activates it again
// on closing, and the operator's choice must outlive it.
void TfrmSelCheckin::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_ativado) {
        m_ativado = true;
        qor::guarded([this] { FormActivate(); });
    }
}

void TfrmSelCheckin::FormActivate()
{
    {
        server::RemoteServer::Use use(m_ctx.server());
        m_cdsArq = m_busca.ArquivosCheckout();
    }
    cdsArquivo.emptyDataSet();
    m_stArquivo.clear();
    for (const QString &arquivo : std::as_const(m_cdsArq))
        acrescenta(arquivo);
    if (!m_busca.adicionaSozinho())
        return;
    QStringList linhas;
    for (int i = 0; i < lsbProgresso->count(); ++i)
        linhas << lsbProgresso->item(i)->text();
    const QStringList novos = m_busca.NovosOuModificados(linhas, escolhidos());
    for (const QString &arquivo : novos)
        acrescenta(arquivo, true);
    if (!novos.isEmpty())
        qor::MsgAlertEx(msg("ARQUIVOS_ADICIONADOS"), 2, {QStringLiteral("OK")}, 1, 0, 0);
}

void TfrmSelCheckin::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ControlModifier)) {
        if (sbtConfirma->isEnabled())
            sbtConfirma->click();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (sbtCancel->isEnabled())
            sbtCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

// Closing the window is a cancel: the check-in must not go on from a flag an
// earlier selection left behind.
void TfrmSelCheckin::closeEvent(QCloseEvent *event)
{
    event->ignore();
    qor::guarded([this] { sbtCancelClick(); });
}

bool TfrmSelCheckin::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QDialog::eventFilter(watched, event);
    auto *help = static_cast<QHelpEvent *>(event);
    auto linhaDe = [help](QListWidget *lista) {
        QListWidgetItem *item = lista->itemAt(help->pos());
        if (!item || !item->isSelected())
            item = lista->selectedItems().value(0);
        return item ? item->text() : QString();
    };
    QString hint;
    if (watched == edtDirCliente)
        hint = edtDirCliente->text();
    else if (watched == dbgArquivos->viewport())
        hint = cdsArquivo.isEmpty() ? QString() : cdsArquivo.textOf(kNmArquivo);
    else if (watched == lsbArquivos->viewport())
        hint = linhaDe(lsbArquivos);
    else if (watched == lsbProgresso->viewport())
        hint = linhaDe(lsbProgresso);
    static_cast<QWidget *>(watched)->setToolTip(hint);
    if (hint.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), hint, static_cast<QWidget *>(watched));
    return true;
}

void TfrmSelCheckin::btnSelDirClick()
{
    const QStringList captions = m_busca.DiretoriosDoMenu();
    pmnDirItemtrab->clear();
    m_diretoriosMenu = captions;
    // The directory is kept by position: a "&" of a directory's name is no accelerator.
    for (int i = 0; i < captions.size(); ++i) {
        QAction *item = pmnDirItemtrab->addAction(QString(captions.at(i)).replace(u'&', QLatin1String("&&")));
        connect(item, &QAction::triggered, this, [this, i] { qor::guarded([this, i] { ClicaPopMenu(i); }); });
    }
    pmnDirItemtrab->popup(QCursor::pos());
}

void TfrmSelCheckin::ClicaPopMenu(int posicao)
{
    const QString diretorio = m_diretoriosMenu.value(posicao);
    edtDirCliente->setText(diretorio);
    lsbArquivos->clear();
    cdsListaArquivos.setFiltered(false);
    cdsListaArquivos.emptyDataSet();
    m_filtro.clear();
    {
        // Clearing the text is no typing: it must not answer with "Lista_Arq_Vazio".
        const QSignalBlocker semEvento(edtFiltro);
        edtFiltro->clear();
    }
    edtFiltro->setEnabled(false);
    for (const QString &arquivo : m_busca.Procura(diretorio)) {
        cdsListaArquivos.append();
        cdsListaArquivos[kArquivo].setValue(arquivo);
        cdsListaArquivos.post();
    }
    preencheLista();
    edtFiltro->setEnabled(true);
}

void TfrmSelCheckin::preencheLista()
{
    lsbArquivos->clear();
    for (int row = 0; row < cdsListaArquivos.recordCount(); ++row)
        lsbArquivos->addItem(cdsListaArquivos.textAt(kArquivo, row));
    if (cdsListaArquivos.isEmpty())
        qor::MensErro(msg("Lista_Arq_Vazio"), true);
}

void TfrmSelCheckin::edtFiltroChange()
{
    // Switched off and on again: the record set applies a filter when it is switched on.
    cdsListaArquivos.setFiltered(false);
    m_filtro = edtFiltro->text();
    cdsListaArquivos.setFiltered(!m_filtro.isEmpty());
    preencheLista();
}

QStringList TfrmSelCheckin::escolhidos() const
{
    QStringList nomes;
    for (int row = 0; row < cdsArquivo.recordCount(); ++row)
        nomes << cdsArquivo.textAt(kNmArquivo, row);
    return nomes;
}

QStringList TfrmSelCheckin::adicionadosDepois() const
{
    QStringList nomes;
    for (int row = 0; row < cdsArquivo.recordCount(); ++row)
        if (cdsArquivo.textAt(kDepois, row) == u"S")
            nomes << cdsArquivo.textAt(kNmArquivo, row);
    return nomes;
}

bool TfrmSelCheckin::temArquivo(const QString &path) const
{
    return escolhidos().contains(path, Qt::CaseInsensitive);
}

void TfrmSelCheckin::acrescenta(const QString &path, bool depois)
{
    cdsArquivo.append();
    cdsArquivo[kNmArquivo].setValue(path);
    cdsArquivo[kDepois].setValue(depois ? QStringLiteral("S") : QString());
    cdsArquivo.post();
}

void TfrmSelCheckin::mantem_arquivos()
{
    for (const QString &arquivo : std::as_const(m_cdsArq))
        if (!temArquivo(arquivo))
            acrescenta(arquivo);
}

void TfrmSelCheckin::IncluiArquivo(const QString &path)
{
    const Mantem mantem([this] { mantem_arquivos(); });
    const QString arquivo = path.toLower();
    if (temArquivo(arquivo))
        qor::MensErro(msg("Arq_Cad"), true);
    acrescenta(arquivo);
}

void TfrmSelCheckin::sbtIncluiClick()
{
    if (focusWidget() != lsbArquivos)
        return;
    const Mantem mantem([this] { mantem_arquivos(); });
    for (int i = 0; i < lsbArquivos->count(); ++i) {
        if (!lsbArquivos->item(i)->isSelected())
            continue;
        const QString arquivo = lsbArquivos->item(i)->text().toLower();
        if (temArquivo(arquivo))
            qor::MensErro(msg("Arq_Cad"), true);
        acrescenta(arquivo);
        m_stArquivo << arquivo;
    }
}

void TfrmSelCheckin::sbtIncluiTodosClick()
{
    const Mantem mantem([this] { mantem_arquivos(); });
    if (lsbArquivos->count() == 0)
        qor::MensErro(msg("Lista_Arq_Vazio"), true);
    for (int i = 0; i < lsbArquivos->count(); ++i) {
        const QString arquivo = lsbArquivos->item(i)->text().toLower();
        if (!temArquivo(arquivo))
            acrescenta(arquivo);
    }
}

// A checked-out file never leaves the selection.
void TfrmSelCheckin::apaga(int row)
{
    const QString arquivo = cdsArquivo.textAt(kNmArquivo, row);
    if (m_cdsArq.contains(arquivo, Qt::CaseInsensitive))
        qor::MensErro(msg("Arq_Marcado"), true);
    cdsArquivo.moveTo(row);
    cdsArquivo.deleteRecord();
}

void TfrmSelCheckin::sbtExcluiClick()
{
    if (cdsArquivo.isEmpty())
        return;
    const Mantem mantem([this] { mantem_arquivos(); });
    QList<int> linhas;
    for (const QModelIndex &index : dbgArquivos->selectionModel()->selectedRows())
        linhas << index.row();
    if (linhas.isEmpty())
        linhas << cdsArquivo.recNo();
    std::sort(linhas.begin(), linhas.end(), std::greater<int>());
    dbgArquivos->clearSelection();
    for (int row : std::as_const(linhas))
        if (row >= 0 && row < cdsArquivo.recordCount())
            apaga(row);
}

void TfrmSelCheckin::dbgArquivosDblClick()
{
    if (cdsArquivo.isEmpty())
        return;
    const Mantem mantem([this] { mantem_arquivos(); });
    const int row = cdsArquivo.recNo();
    const QString arquivo = cdsArquivo.textAt(kNmArquivo, row);
    apaga(row);
    m_stArquivo.removeAll(arquivo);
}

void TfrmSelCheckin::sbExcluiTodosClick()
{
    const Mantem mantem([this] { mantem_arquivos(); });
    cdsArquivo.emptyDataSet();
}

void TfrmSelCheckin::sbtCancelClick()
{
    if (!qor::AskYesNo(msg("Cancela_Oper")))
        return;
    m_boConfirmaCheckin = false;
    reject();
}

void TfrmSelCheckin::sbtConfirmaClick()
{
    if (!qor::AskYesNo(msg("Confirma_Oper")))
        return;
    qor::ActiveShowAvi(this, 6, msg("RECUPERANDO_RELEASE"));
    dbgArquivos->setEnabled(false);
    try {
        confirma();
    } catch (...) {
        dbgArquivos->setEnabled(true);
        qor::DeactiveShowAvi();
        throw;
    }
    // The busy panel stays: the check-in that follows closes it.
    dbgArquivos->setEnabled(true);
    m_boConfirmaCheckin = true;
    accept();
}

// The lists reach the main window once every file is recorded: after a
// failure the check-in finds nothing new in them.
void TfrmSelCheckin::confirma()
{
    const QStringList arquivos = escolhidos();
    const DiretoriosCheckin dirs = m_busca.AdicionaDirCheckin(arquivos);
    m_busca.Valida_Bloqueio_Copia_Trab(arquivos, dirs.adiciona);
    if (arquivos.isEmpty())
        qor::MensErro(msg("NenhumArq"), true);
    m_busca.Registra(arquivos, dirs.adiciona);
    m_ctx.listas().arqCheckin = arquivos;
    m_ctx.listas().dirAdiciona = dirs.adiciona;
    m_ctx.listas().dirReverte = dirs.reverte;
}

}
