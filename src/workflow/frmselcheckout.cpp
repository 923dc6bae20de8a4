#include "workflow/frmselcheckout.h"
#include "host/recordsetmodel.h"
#include "host/services.h"
#include "server/remote.h"
#include "workflow/workflowcontext.h"
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
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

QString msg(const char *key)
{
    return BuscaCheckout::Textos().Msg(QLatin1String(key));
}

QToolButton *botao(QWidget *parent, const char *name, const QString &text, const QString &hint = {})
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    b->setToolTip(hint);
    b->setFocusPolicy(Qt::NoFocus);   // the include buttons act on the list that keeps the focus
    return b;
}

}

TfrmSelCheckout::TfrmSelCheckout(WorkflowContext &ctx, PlataformaProduto plataforma, const SelecaoCheckout &valores,
                                 bool &boConfirmaCheckout, QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_valores(valores), m_boConfirmaCheckout(boConfirmaCheckout),
      m_busca(ctx, plataforma, valores)
{
    setObjectName(QStringLiteral("frmSelCheckout"));
    setProperty("screenCode", CodigoTela());
    setWindowTitle(msg("TITULO"));
    cdsListaArquivos.defineFields({{kArquivo, qor::FieldType::String, 250}});
    cdsListaArquivos.open();
    cdsListaArquivos.setFilter(
        [this](const qor::RecordSet &r) { return BuscaCheckout::FiltroAceita(m_filtro, r.textOf(kArquivo)); });
    cdsArquivo.defineFields({{kNmArquivo, qor::FieldType::String, 250, msg("TITULO_GRADE"), true}});
    cdsArquivo.open();
    buildView();
    conecta();
    qor::Trad(this);
    edtDirClienteChange();
}

TfrmSelCheckout::~TfrmSelCheckout() = default;

void TfrmSelCheckout::buildView()
{
    auto *layout = new QVBoxLayout(this);
    auto *topo = new QHBoxLayout;
    topo->addWidget(new QLabel(msg("ROTULO_DIRETORIO"), this));
    edtDirCliente = new QLineEdit(this);
    edtDirCliente->setObjectName(QStringLiteral("edtDirCliente"));
    edtDirCliente->setReadOnly(true);
    edtDirCliente->setEnabled(false);
    topo->addWidget(edtDirCliente, 1);
    btnSelDir = botao(this, "btnSelDir", QStringLiteral("..."));
    topo->addWidget(btnSelDir);
    layout->addLayout(topo);
    pmnDirItemtrab = new QMenu(this);
    pmnDirItemtrab->setObjectName(QStringLiteral("pmnDirItemtrab"));

    auto *filtro = new QHBoxLayout;
    filtro->addWidget(new QLabel(msg("ROTULO_FILTRO"), this));
    edtFiltro = new QLineEdit(this);
    edtFiltro->setObjectName(QStringLiteral("edtFiltro"));
    edtFiltro->setToolTip(msg("HINT_FILTRO"));
    filtro->addWidget(edtFiltro, 1);
    layout->addLayout(filtro);

    auto *meio = new QHBoxLayout;
    lsbArquivos = new QListWidget(this);
    lsbArquivos->setObjectName(QStringLiteral("lsbArquivos"));
    lsbArquivos->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lsbArquivos->viewport()->installEventFilter(this);
    meio->addWidget(lsbArquivos, 1);
    auto *botoes = new QVBoxLayout;
    btnIncluiArq = botao(this, "btnIncluiArq", QStringLiteral(">"));
    btnLimpaArq = botao(this, "btnLimpaArq", QStringLiteral("<"));
    btnIncluiTodos = botao(this, "btnIncluiTodos", QStringLiteral(">>"));
    btnLimpaTodos = botao(this, "btnLimpaTodos", QStringLiteral("<<"));
    botoes->addStretch();
    for (QToolButton *b : {btnIncluiArq, btnLimpaArq, btnIncluiTodos, btnLimpaTodos})
        botoes->addWidget(b);
    botoes->addStretch();
    meio->addLayout(botoes);
    dbgArquivos = new QTableView(this);
    dbgArquivos->setObjectName(QStringLiteral("dbgArquivos"));
    m_modelo = new qor::RecordSetModel(&cdsArquivo, this);
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
    layout->addLayout(meio, 1);

    auto *rodape = new QHBoxLayout;
    rodape->addStretch();
    sbtConfirma = botao(this, "sbtConfirma", msg("BOTAO_CONFIRMAR"), msg("BOTAO_CONFIRMAR"));
    sbtCancel = botao(this, "sbtCancel", msg("FECHAR"), msg("FECHAR"));
    rodape->addWidget(sbtConfirma);
    rodape->addWidget(sbtCancel);
    layout->addLayout(rodape);
    resize(900, 560);
}

void TfrmSelCheckout::conecta()
{
    auto guardado = [this](void (TfrmSelCheckout::*handler)()) {
        return [this, handler] { qor::guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(btnSelDir, &QToolButton::clicked, this, guardado(&TfrmSelCheckout::btnSelDirClick));
    connect(edtFiltro, &QLineEdit::textChanged, this, guardado(&TfrmSelCheckout::edtFiltroChange));
    connect(edtDirCliente, &QLineEdit::textChanged, this, guardado(&TfrmSelCheckout::edtDirClienteChange));
    connect(lsbArquivos, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        qor::guarded([this, item] { AddFile(item->text()); });
    });
    connect(btnIncluiArq, &QToolButton::clicked, this, guardado(&TfrmSelCheckout::btnIncluiArqClick));
    connect(btnLimpaArq, &QToolButton::clicked, this, guardado(&TfrmSelCheckout::btnLimpaArqClick));
    connect(btnIncluiTodos, &QToolButton::clicked, this, guardado(&TfrmSelCheckout::btnIncluiTodosClick));
    connect(btnLimpaTodos, &QToolButton::clicked, this, guardado(&TfrmSelCheckout::btnLimpaTodosClick));
    connect(dbgArquivos, &QTableView::doubleClicked, this, guardado(&TfrmSelCheckout::dbgArquivosDblClick));
    connect(sbtConfirma, &QToolButton::clicked, this, guardado(&TfrmSelCheckout::sbtConfirmaClick));
    connect(sbtCancel, &QToolButton::clicked, this, guardado(&TfrmSelCheckout::sbtCancelClick));
}

// Only the first activation: a message box of the dialog activates it again
// on closing, and the chosen files must outlive it.
void TfrmSelCheckout::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_ativado) {
        m_ativado = true;
        FormActivate();
    }
}

void TfrmSelCheckout::FormActivate()
{
    cdsArquivo.emptyDataSet();
    m_stArquivo.clear();
}

void TfrmSelCheckout::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ControlModifier)) {
        sbtConfirma->click();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        sbtCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TfrmSelCheckout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QDialog::eventFilter(watched, event);
    auto *help = static_cast<QHelpEvent *>(event);
    QString hint;
    if (watched == dbgArquivos->viewport()) {
        hint = cdsArquivo.textOf(kNmArquivo);
    } else if (watched == lsbArquivos->viewport()) {
        QListWidgetItem *item = lsbArquivos->itemAt(help->pos());
        if (!item || !item->isSelected())
            item = lsbArquivos->selectedItems().value(0);
        hint = item ? item->text() : QString();
    }
    if (hint.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), hint, static_cast<QWidget *>(watched));
    return true;
}

void TfrmSelCheckout::btnSelDirClick()
{
    edtDirCliente->clear();
    lsbArquivos->clear();
    pmnDirItemtrab->clear();
    m_diretoriosMenu.clear();
    preencheMenu(m_busca.DiretoriosDoMenu(m_valores.diretorioBase));
    pmnDirItemtrab->popup(QCursor::pos());
}

// The directory is kept by position: a "&" of a directory's name is no accelerator.
void TfrmSelCheckout::preencheMenu(const QStringList &captions)
{
    m_diretoriosMenu = captions;
    for (int i = 0; i < captions.size(); ++i) {
        QAction *item = pmnDirItemtrab->addAction(QString(captions.at(i)).replace(u'&', QLatin1String("&&")));
        item->setData(i);
        connect(item, &QAction::triggered, this, [this, i] { qor::guarded([this, i] { ClicaPopMenu(i); }); });
    }
}

void TfrmSelCheckout::ClicaPopMenu(int posicao)
{
    const QString diretorio = m_diretoriosMenu.value(posicao);
    edtDirCliente->setText(diretorio);
    cdsListaArquivos.setFiltered(false);
    m_filtro.clear();
    cdsListaArquivos.emptyDataSet();
    {
        // Clearing the text is no typing: the empty list must not answer it with "NOT_FILE".
        const QSignalBlocker semEvento(edtFiltro);
        edtFiltro->clear();
    }
    edtFiltro->setEnabled(false);
    lsbArquivos->clear();
    for (const QString &arquivo : m_busca.Procura(diretorio)) {
        cdsListaArquivos.append();
        cdsListaArquivos[kArquivo].setValue(arquivo);
        cdsListaArquivos.post();
    }
    AtualizaListaArquivos();
    edtFiltro->setEnabled(true);
}

void TfrmSelCheckout::AtualizaListaArquivos()
{
    if (cdsListaArquivos.isEmpty())
        qor::MensErro(msg("NOT_FILE"), true);
    for (int row = 0; row < cdsListaArquivos.recordCount(); ++row)
        lsbArquivos->addItem(cdsListaArquivos.textAt(kArquivo, row));
}

void TfrmSelCheckout::edtFiltroChange()
{
    cdsListaArquivos.setFiltered(false);
    m_filtro.clear();
    lsbArquivos->clear();
    if (!edtFiltro->text().isEmpty()) {
        m_filtro = edtFiltro->text();
        cdsListaArquivos.setFiltered(true);
    }
    AtualizaListaArquivos();
}

void TfrmSelCheckout::edtDirClienteChange()
{
    edtFiltro->setEnabled(!edtDirCliente->text().isEmpty());
}

QStringList TfrmSelCheckout::escolhidos() const
{
    QStringList nomes;
    for (int row = 0; row < cdsArquivo.recordCount(); ++row)
        nomes << cdsArquivo.textAt(kNmArquivo, row);
    return nomes;
}

bool TfrmSelCheckout::temArquivo(const QString &path) const
{
    return escolhidos().contains(path);
}

void TfrmSelCheckout::acrescenta(const QString &path)
{
    cdsArquivo.append();
    cdsArquivo[kNmArquivo].setValue(path);
    cdsArquivo.post();
}

void TfrmSelCheckout::tiraDoRegistro(const QString &path)
{
    m_stArquivo.removeAll(path);
}

void TfrmSelCheckout::AddFile(const QString &path)
{
    const QString arquivo = path.toLower();
    if (m_stArquivo.contains(arquivo))
        qor::MensErro(msg("Arq_Cad"), true);
    m_stArquivo << arquivo;
    acrescenta(arquivo);
}

void TfrmSelCheckout::btnIncluiArqClick()
{
    if (focusWidget() != lsbArquivos)
        return;
    for (int i = 0; i < lsbArquivos->count(); ++i) {
        if (!lsbArquivos->item(i)->isSelected())
            continue;
        const QString arquivo = lsbArquivos->item(i)->text().toLower();
        if (!temArquivo(arquivo)) {
            acrescenta(arquivo);
            m_stArquivo << arquivo;
        }
    }
}

// Unlike the single additions, these rows are not recorded in stArquivo.
void TfrmSelCheckout::btnIncluiTodosClick()
{
    if (focusWidget() != lsbArquivos)
        return;
    for (int i = 0; i < lsbArquivos->count(); ++i) {
        const QString arquivo = lsbArquivos->item(i)->text().toLower();
        if (!temArquivo(arquivo))
            acrescenta(arquivo);
    }
}

void TfrmSelCheckout::btnLimpaTodosClick()
{
    cdsArquivo.emptyDataSet();
    m_stArquivo.clear();
}

void TfrmSelCheckout::dbgArquivosDblClick()
{
    if (cdsArquivo.isEmpty())
        return;
    tiraDoRegistro(cdsArquivo.textOf(kNmArquivo));
    cdsArquivo.deleteRecord();
}

// The rows of the grid's selection and the current row leave; each name
// leaves stArquivo with its row.
void TfrmSelCheckout::btnLimpaArqClick()
{
    if (cdsArquivo.isEmpty())
        return;
    QList<int> linhas{cdsArquivo.recNo()};
    for (const QModelIndex &index : dbgArquivos->selectionModel()->selectedRows())
        if (!linhas.contains(index.row()))
            linhas << index.row();
    std::sort(linhas.begin(), linhas.end(), std::greater<int>());
    for (int row : linhas) {
        if (row < 0 || row >= cdsArquivo.recordCount())
            continue;
        cdsArquivo.moveTo(row);
        tiraDoRegistro(cdsArquivo.textOf(kNmArquivo));
        cdsArquivo.deleteRecord();
    }
    dbgArquivos->clearSelection();
    if (!cdsArquivo.isEmpty())
        dbgArquivos->selectRow(cdsArquivo.recNo());
}

void TfrmSelCheckout::sbtCancelClick()
{
    if (!qor::AskYesNo(msg("Cancela_Oper")))
        return;
    m_boConfirmaCheckout = false;
    reject();
}

void TfrmSelCheckout::sbtConfirmaClick()
{
    server::RemoteServer::Use use(m_ctx.server());
    if (!qor::AskYesNo(msg("Confirma_Oper")))
        return;
    m_ctx.listas().arqCheckout = QStringList();
    if (cdsArquivo.isEmpty()) {
        if (!qor::AskYesNo(msg("NENHUM_ARQUIVO")))
            return;
    } else {
        registraEscolhidos();
    }
    m_boConfirmaCheckout = true;
    accept();
}

// The list reaches the main window once every file is registered: after a
// refusal of the server it holds nothing the check-out could lock.
void TfrmSelCheckout::registraEscolhidos()
{
    const QStringList arquivos = escolhidos();
    for (int sequencia = 0; sequencia < arquivos.size(); ++sequencia)
        m_ctx.server().call(QStringLiteral("SetArqCheckout"),
                            {m_valores.filial, m_valores.tarefa, m_valores.plano, QString::number(sequencia),
                             arquivos.at(sequencia)});
    m_ctx.listas().arqCheckout = arquivos;
}

}
