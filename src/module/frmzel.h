#pragma once
#include "host/messages.h"
#include "host/recordset.h"
#include "host/recordsetmodel.h"
#include "host/services.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include "vcs/classifier.h"
#include <QWidget>
#include <memory>
#include <optional>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabWidget;
class QTableView;
class QTimer;
class QToolButton;

namespace plan {
class AttendanceActions;
class PlanActions;
class DetailsPanel;
class FilterIndicator;
class GridLayoutStore;
class PlanGridController;
class PlanLoader;
struct PlanContext;
}
namespace vcs { class MainRunner; }
namespace workflow { class WorkflowContext; struct ActivityKey; class GravaRelease; enum class PlataformaProduto; }
namespace workcopy { struct WorkCopyContext; }

namespace apr {

// The main window of the module: the platform choice, then the activity plan.
class TfrmZEL : public QWidget, public vcs::ClassifierContext {
    Q_OBJECT
public:
    explicit TfrmZEL(QWidget *parent = nullptr);
    ~TfrmZEL() override;

    static QString Caption() { return QStringLiteral("Apropriação de Atividades"); }
    static QString CodigoTela() { return QStringLiteral("APR00100"); }

    // ---- Server link ------------------------------------------------------------
    void ConnectServer(server::TNetConnection &connection, bool take);
    QStringList &stlConexoes() { return m_usos.stlConexoes; }
    server::RemoteServer &Servidor() { return m_servidor; }
    server::TNetConnection netZEL{QStringLiteral("netZEL")};

    // ---- Lifecycle and actions ----------------------------------------------------
    void FormShow();
    void FormActivate();
    void btnOkClick();
    void btnConfirmaSubVersionClick();
    void sbtLastLogClick();
    void GetPlanAtivTare();                 // loads the plan and the attendance in progress
    void Habilita_Botoes();
    void Desabilita_Botoes();
    void Desabilita_Botoes_LastLog();
    QString Retorna_Plat_Select() const;
    QString RetornaDirArqSoli() const;
    QString GetRegWorkDir() const;
    static void OnException(const std::exception &e);

    // Loads the non-null packets of Get_Inicial's answer into their record sets.
    void CarregaInicial(const QJsonArray &packets);
    // The pending-action warnings of the platform confirmation.
    void MostraPendencias();
    QString TextoAcoes();

    // The plan grid's layout as stored for the operator (or the default).
    void restoreGridLayout();
    void saveGridLayout();
    plan::GridLayoutStore &layoutStore() { return *m_layout; }
    plan::PlanGridController &planController() { return *m_grade; }
    plan::DetailsPanel *detailsPanel() const { return m_detalhes; }
    plan::FilterIndicator *filterIndicator() const { return m_indicador; }

    // The plan as the filter dialog and the loader see it.
    const plan::PlanContext &planContext() const { return *m_contexto; }
    // "Filtrar": the module's one filter dialog, bound to this window.
    void SpeedButton2Click();
    // Focus left the top button panel: the plan is loaded again.
    void panFiltroExit();
    // "Atualizar" (F5): the plan, then the work items.
    void MenuAtualizarClick();

    void sbtGetClick();
    void sbtShowHistoryClick();
    // The plan's status cell: a planned activity of a check-out process is
    // checked out first; then the server switches the activity's state.
    void statusCellClick(int row);

    // ---- Check-out of an activity's work item (src/workflow/checkout) -----------------
    void Realiza_Checkout(const QString &produto, const QString &processo, const QString &filial,
                          const QString &solicitacao, const QString &tarefa, const QString &atividade,
                          const QString &itemTrab, const QString &repositorio, const QString &base);
    workflow::PlataformaProduto plataformaProduto() const;

    // ---- Version-control commands ------------------------------------------------------
    // Runs one command line into list, framed and classified; false when it could not start.
    bool Execute(const QString &caption, const QString &commandLine, QListWidget *list, bool capture);
    // The raw output of the last captured command (info and release runs).
    QString TextoCapturado() const;
    QStringList stlArqCheckout;             // logical paths of the files chosen for check-out
    QStringList stlArqCheckin;
    QStringList stlDirReverte;
    QStringList stlDirAdiciona;
    QStringList stlDirRenomeados;

    // What the workflows work with; a command or workflow runs while it says so.
    workflow::WorkflowContext &fluxo() { return *m_fluxo; }
    bool emExecucao() const;
    // A close asked for while a command runs: carried out when it returns.
    bool fechamentoPendente() const { return m_fechamentoPendente; }

    // vcs::ClassifierContext
    QStringList checkoutFiles() const override { return stlArqCheckout; }
    QString svnUser() const override { return stUsuarioSvn; }
    QString svnPassword() const override { return stSenhaSvn; }
    server::RemoteServer &server() override { return m_servidor; }
    // The activity of the command in progress, fixed when it started.
    QString currentTask() const;
    QString currentActivity() const;
    void enableConfirm() override;

    // ---- Working copies: backups, location and release (src/workcopy) ----------------
    void Grava_Backup_Workdir(const QString &file, const QString &user, const QString &request,
                              const QString &task, const QString &activity);
    void Deleta_Backup_WorkDir(const QString &user, const QString &request, const QString &task,
                               const QString &activity);
    QString CopiaURL(const QString &path);
    QString CopiaRelease(const QString &path);
    // The product update and repair; the status change calls Atualiza_Arq_Login.
    void Atualiza_Arq_Login();
    void Atualiza_Arq_Prod_Merc(const QString &grupo);
    void Efetua_Update(const QString &diretorios, const QString &repositorios);
    void ClicaPopMenu(int posicao);
    void Renomeia_Arq(const QString &path);
    workcopy::WorkCopyContext &copias();
    QMenu *pmnProdSVN = nullptr;

    // ---- Releases of the activity's files (src/workflow/gravarelease) -----------------
    void Grava_Release_Antiga(const QString &filial, const QString &tarefa, const QString &atividade);
    void Grava_Release_Gerada(const QString &filial, const QString &tarefa, const QString &atividade);
    void Adiciona_Arquivo(const QString &filial, const QString &tarefa, const QString &atividade,
                          const QString &path);
    void Grava_Release_Ant_Checkin(const QString &filial, const QString &tarefa, const QString &atividade,
                                   const QString &codigo, const QString &path);
    void Grava_Release_MetaDados();
    void Get_ID_Prod_SVN(const QString &produto);
    void SetArquivo(const QString &modo, const QString &dirBase);
    void Anexa_Arquivo_Geracao(const QString &produto, const QString &filial, const QString &solicitacao,
                               const QString &processo);
    void Anexo_Arquivo_Geracao_Asp(const QString &filial, const QString &tarefa, const QString &atividade,
                                   const QString &solicitacao, const QString &produto, const QString &processo);
    QString stIdProdSvn;

    // ---- Window state shared with the other parts ---------------------------------
    QString stUsuarioSvn;
    QString stSenhaSvn;
    QString stDirArqSV;
    bool boPlataformaEscolhida = false;
    std::optional<QStringList> stlSaidaSvn;
    qor::TMessages msgPadrao;

    // ---- Record sets ----------------------------------------------------------------
    qor::RecordSet cdsPlanAtivTare{QStringLiteral("cdsPlanAtivTare")};
    qor::RecordSet cdsAtividadeAndamento{QStringLiteral("cdsAtividadeAndamento")};
    qor::RecordSet cds_ItemTarefa{QStringLiteral("cds_ItemTarefa")};
    qor::RecordSet cdsParFilialGep{QStringLiteral("cdsParFilialGep")};
    qor::RecordSet cdsAcao{QStringLiteral("cdsAcao")};
    qor::RecordSet cdsParamVersao{QStringLiteral("cdsParamVersao")};
    qor::RecordSet cdsOperDesenv{QStringLiteral("cdsOperDesenv")};
    qor::RecordSet cdsMonitora{QStringLiteral("cdsMonitora")};
    qor::RecordSet cdsArquivosSQL{QStringLiteral("cdsArquivosSQL")};   // data-modelling scripts of the patch
    qor::RecordSetModel *dtsPadrao = nullptr;

    // ---- Controls ---------------------------------------------------------------------
    QLabel *lblCodTela = nullptr;
    QStackedWidget *nbkAPR = nullptr;
    QGroupBox *grpPlataforma = nullptr;
    QRadioButton *rbtProdDelphi = nullptr;
    QRadioButton *rbtProdAsp = nullptr;
    QRadioButton *rbtProdLumetra = nullptr;
    QRadioButton *rbtFrameLumetra = nullptr;
    QPushButton *btnOk = nullptr;

    QWidget *panFiltro = nullptr;
    QToolButton *sbtShowHistory = nullptr;
    QToolButton *sbtGet = nullptr;
    QToolButton *SpeedButton2 = nullptr;
    QToolButton *sbtLastLog = nullptr;
    QToolButton *sbtAutoTeste = nullptr;

    QTabWidget *pgcPadrao = nullptr;
    QWidget *panDbgPadrao = nullptr;
    QTableView *dbgPadrao = nullptr;
    QListWidget *lsbRenameFile = nullptr;
    QListWidget *lsbGetURL = nullptr;
    QListWidget *lsbGetDonoTrava = nullptr;
    QListWidget *lsbCopiaURL = nullptr;
    QListWidget *lsbDirInfo = nullptr;

    QGroupBox *panDadosAdicionais = nullptr;

    QWidget *panAtendimento = nullptr;
    QToolButton *sbtAteInterno = nullptr;
    QToolButton *sbtAteExterno = nullptr;
    QToolButton *sbtAcompanhamento = nullptr;
    QToolButton *sbtAtraso = nullptr;
    QLineEdit *dbeAtraso = nullptr;

    QWidget *panSubVersion = nullptr;
    QListWidget *lsbProgresso = nullptr;
    QProgressBar *pgrSubVersion = nullptr;
    QPushButton *btnConfirmaSubVersion = nullptr;

    QGroupBox *panLegenda = nullptr;

    QWidget *panAguardo = nullptr;
    QProgressBar *anmEspera = nullptr;

    QWidget *panNavigator = nullptr;
    QLabel *dbtNome = nullptr;
    QWidget *dbnPadrao = nullptr;

    QMenu *pmnPadrao = nullptr;
    QTimer *tmrOperSemAtiv = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormClose();
    bool FormKeyDown(QObject *receiver, int key, Qt::KeyboardModifiers modifiers);
    void netZELBeforeConnect(server::TNetConnection &connection);
    void confirmaPlataforma();
    void configuraTimer();
    void carregaItemTarefa();
    void protegeItemTrabalho();
    void atualizaNome();
    void sincronizaGrade();
    void montaGradePlano();
    void criaExecutor();
    void focoMudou(QWidget *antes, QWidget *depois);
    QString campoAtual(const char *field) const;
    workflow::ActivityKey atividadeAtual() const;
    void fimDeExecucao(bool ocioso);
    void atualizaAcoes();
    QString nomeUsuarioSO() const;
    QString senhaCompartilhada() const;
    void lerDirArqSV();
    workflow::GravaRelease gravaRelease();
    void carregaInicial();

    void buildUi();
    QWidget *buildPaginaPlataforma();
    QWidget *buildPaginaPlano();
    QWidget *buildBarraFerramentas();
    QWidget *buildAreaPlano();
    QWidget *buildDetalhes();
    QWidget *buildAtendimento();
    QWidget *buildProgresso();
    QWidget *buildLegenda();
    QWidget *buildAguardo();
    QWidget *buildNavegador();
    void buildMenu();
    // "Descrição", "Resposta", the requirement document and the attendance bar.
    void ligaAcoesDoPlano();
    QList<QWidget *> controlesDoPlano() const;
    void mostraVistaDeComandos();
    QList<QAction *> acoesDoMenu() const;

    server::ConnectionUses m_usos;
    server::NetRemoteServer m_servidor{netZEL, m_usos};
    std::unique_ptr<plan::PlanContext> m_contexto;
    std::unique_ptr<plan::PlanLoader> m_carregador;
    plan::PlanGridController *m_grade = nullptr;
    plan::GridLayoutStore *m_layout = nullptr;
    plan::DetailsPanel *m_detalhes = nullptr;
    plan::FilterIndicator *m_indicador = nullptr;
    std::unique_ptr<vcs::Classifier> m_classificador;
    std::unique_ptr<vcs::MainRunner> m_executor;
    std::unique_ptr<workflow::WorkflowContext> m_fluxo;
    std::unique_ptr<workcopy::WorkCopyContext> m_copias;
    std::unique_ptr<plan::PlanActions> m_acoes;
    std::unique_ptr<plan::AttendanceActions> m_atendimento;
    bool m_vistaDeComandos = false;
    bool m_fechamentoPendente = false;
    bool m_carregouNaExibicao = false;
    bool m_handlerInstalado = false;
    qor::ExceptionHandler m_handlerAnterior;
};

}
