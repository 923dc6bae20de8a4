#pragma once
#include "host/messages.h"
#include "host/recordset.h"
#include "host/recordsetmodel.h"
#include "host/services.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include "module/activitylayer.h"
#include "module/activitypanel.h"
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
class TransicoesAtividade;
struct PlanContext;
}

namespace apr {

// The main window of the module: the platform choice, then the activity plan.
class TfrmZEL : public QWidget, private ActivityPanel {
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
    // The command view in front (its list emptied), and back to the plan.
    void Desabilita_Botoes() override;
    void Habilita_Botoes() override;
    QString Retorna_Plat_Select() const;

    // Loads the non-null packets of Get_Inicial's answer into their record sets.
    void CarregaInicial(const QJsonArray &packets);
    // The pending-action warnings of the platform confirmation.
    void MostraPendencias();

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
    // A click on the plan grid's column of that field (the space bar on the status cell too).
    void dbgPadraoCellClick(int row, const QString &campo);
    // "Confirmar" (Ctrl+Enter) and the timer of colleagues without appropriation.
    void MenuItem7Click();
    void tmrOperSemAtivTimer();
    plan::TransicoesAtividade &transicoes() { return *m_transicoes; }

    // ---- Window state shared with the other parts ---------------------------------
    // The activity layer: runner, classification, workflows, lists and account.
    ActivityLayer &atividades() { return *m_atividades; }
    // A close asked for while a command runs: carried out when it returns.
    bool fechamentoPendente() const { return m_fechamentoPendente; }
    QMenu *pmnProdSVN = nullptr;
    qor::TMessages msgPadrao;

    // ---- Record sets ----------------------------------------------------------------
    qor::RecordSet cdsPlanAtivTare{QStringLiteral("cdsPlanAtivTare")};
    qor::RecordSet cdsAtividadeAndamento{QStringLiteral("cdsAtividadeAndamento")};
    qor::RecordSet cds_ItemTarefa{QStringLiteral("cds_ItemTarefa")};
    qor::RecordSet cdsParFilialGep{QStringLiteral("cdsParFilialGep")};
    qor::RecordSet cdsAcao{QStringLiteral("cdsAcao")};
    qor::RecordSet cdsMonitora{QStringLiteral("cdsMonitora")};
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
    // ActivityPanel
    void mostraLinhas(const QStringList &linhas) override;
    void posicionaBarra(int posicao) override;
    void habilitaConfirmacao(bool habilitado) override;
    bool vistaDeComandos() const override;
    void mostraOcupado(const QString &texto) override;
    void fechaOcupado() override;
    void habilitaGrade(bool habilitada) override;
    void execucaoMudou(bool ocioso) override;
    void recarregaPlano() override;

    static void OnException(const std::exception &e);
    QString TextoAcoes();
    // The plan grid's layout as stored for the operator (or the default).
    void restoreGridLayout();
    void saveGridLayout();
    void Desabilita_Botoes_LastLog();
    void ClicaPopMenu(int posicao);
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
    void focoMudou(QWidget *antes, QWidget *depois);
    void atualizaAcoes();
    QString nomeUsuarioSO() const;
    QString senhaCompartilhada() const;
    void lerDirArqSV();
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
    // Start, pause, finish and conclusion, wired to the layer's workflows.
    void ligaTransicoes();
    void livreClique(int row, const QString &campo);
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
    std::unique_ptr<ActivityLayer> m_atividades;
    std::unique_ptr<plan::PlanActions> m_acoes;
    std::unique_ptr<plan::AttendanceActions> m_atendimento;
    std::unique_ptr<plan::TransicoesAtividade> m_transicoes;
    bool m_vistaDeComandos = false;
    bool m_fechamentoPendente = false;
    bool m_carregouNaExibicao = false;
    bool m_handlerInstalado = false;
    qor::ExceptionHandler m_handlerAnterior;
};

}
