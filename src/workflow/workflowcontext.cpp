#include "workflow/workflowcontext.h"
#include "host/dialogs.h"
#include <stdexcept>

namespace workflow {

WorkflowContext::WorkflowContext(apr::ModuleState &modulo, server::RemoteServer &server, RepositoryAccount conta,
                                 FileLists listas)
    : m_modulo(modulo), m_server(server), m_conta(conta), m_listas(listas)
{
}

qor::DialogSeam &WorkflowContext::dialogs() const
{
    return qor::Dialogs();
}

vcs::MainRunner &WorkflowContext::runner() const
{
    if (!m_runner)
        throw std::logic_error("WorkflowContext: no main runner yet");
    return *m_runner;
}

WorkflowContext::Run WorkflowContext::begin(const ActivityKey &activity)
{
    if (m_depth++ == 0)
        m_ledger.begin(activity);
    return Run(this);
}

WorkflowContext::Run::~Run()
{
    if (m_context)
        m_context->end();
}

void WorkflowContext::end()
{
    const bool idle = --m_depth == 0;
    if (idle)
        m_ledger.end();
    if (m_onRunEnded)
        m_onRunEnded(idle);
}

vcs::CommandLine WorkflowContext::svn(const QStringList &antes, const QStringList &depois) const
{
    vcs::CommandLine command = vcs::CommandLine::of(QStringLiteral("svn"));
    for (const QString &a : antes)
        command.append(a);
    command.append(QStringLiteral("--username")).append(m_conta.usuario);
    command.append(QStringLiteral("--password")).appendMasked(m_conta.senha);
    for (const QString &d : depois)
        command.append(d);
    return command;
}

}
