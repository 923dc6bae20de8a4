#pragma once
#include <QString>
#include <QStringList>
#include <functional>
#include "vcs/activitykey.h"
#include "vcs/checkoutledger.h"
#include "vcs/plataforma.h"
#include "vcs/svnclient.h"

namespace apr { struct ModuleState; }
namespace qor { class DialogSeam; }
namespace server { class RemoteServer; }
namespace vcs { class MainRunner; }

namespace workflow {

using vcs::ActivityKey;
using vcs::PlataformaProduto;

// The lists that carry chosen files and directories between the selection
// dialogs and the workflows.
struct FileLists {
    QStringList &arqCheckout;
    QStringList &arqCheckin;
    QStringList &dirReverte;
    QStringList &dirAdiciona;
    QStringList &dirRenomeados;
};

// What the check-out, check-in, update and history workflows take from the main
// window instead of the window itself. The window owns everything named here and
// outlives the context; the Subversion client it hands over holds the account.
class WorkflowContext {
public:
    WorkflowContext(apr::ModuleState &modulo, server::RemoteServer &server, vcs::SvnClient &svn, FileLists listas);
    WorkflowContext(const WorkflowContext &) = delete;
    WorkflowContext &operator=(const WorkflowContext &) = delete;

    apr::ModuleState &modulo() const { return m_modulo; }
    server::RemoteServer &server() const { return m_server; }
    qor::DialogSeam &dialogs() const;
    const vcs::SvnClient &svn() const { return m_svn; }
    const FileLists &listas() const { return m_listas; }
    // The platform chosen at start; its variants of the workflows ask it here.
    PlataformaProduto plataforma() const { return m_plataforma; }
    void setPlataforma(PlataformaProduto plataforma) { m_plataforma = plataforma; }
    // What the check-out of the run in progress must undo when it fails.
    vcs::CheckoutLedger &ledger() { return m_ledger; }
    // A command of the client through the main runner, with its caption and
    // sink, in a run of the current activity.
    vcs::SvnRun on(const QString &caption, const vcs::LineSink &sink);

    // Whether the suite's machine-wide registry key holds a value of that name;
    // the window's layer answers from its registry. Without an answer: no value.
    void setValorDaMaquina(std::function<bool(const QString &nome)> consulta) { m_valorDaMaquina = std::move(consulta); }
    bool temValorDaMaquina(const QString &nome) const { return m_valorDaMaquina && m_valorDaMaquina(nome); }

    // The main runner: the window sets it whenever it builds one.
    void setRunner(vcs::MainRunner *runner) { m_runner = runner; }
    bool hasRunner() const { return m_runner != nullptr; }
    vcs::MainRunner &runner() const;        // std::logic_error before the window built one

    // A command or workflow in progress, for the life of the object. The
    // outermost run fixes the activity key; the runs nested in it (the commands
    // of a workflow) keep that key whatever the plan's cursor does meanwhile.
    class Run {
    public:
        Run(Run &&other) noexcept : m_context(other.m_context) { other.m_context = nullptr; }
        Run(const Run &) = delete;
        Run &operator=(const Run &) = delete;
        Run &operator=(Run &&) = delete;
        ~Run();
    private:
        friend class WorkflowContext;
        explicit Run(WorkflowContext *context) : m_context(context) {}
        WorkflowContext *m_context;
    };
    [[nodiscard]] Run begin(const ActivityKey &activity);

    bool running() const { return m_depth > 0; }
    // The activity of the run in progress (also the ledger's); empty between runs.
    const ActivityKey &activity() const { return m_ledger.activity(); }
    // Called each time a run ends, and with idle true when it was the last one.
    void setOnRunEnded(std::function<void(bool idle)> onRunEnded) { m_onRunEnded = std::move(onRunEnded); }

private:
    void end();

    apr::ModuleState &m_modulo;
    server::RemoteServer &m_server;
    vcs::SvnClient &m_svn;
    FileLists m_listas;
    PlataformaProduto m_plataforma = PlataformaProduto::Delphi;
    vcs::CheckoutLedger m_ledger{m_listas.arqCheckout};
    vcs::MainRunner *m_runner = nullptr;
    int m_depth = 0;
    std::function<void(bool)> m_onRunEnded;
    std::function<bool(const QString &)> m_valorDaMaquina;
};

}
