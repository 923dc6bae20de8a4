#include "workflow/workflowcontext.h"
#include "host/dialogs.h"
#include "vcs/runners.h"
#include <memory>
#include <stdexcept>

namespace workflow {

WorkflowContext::WorkflowContext(apr::ModuleState &modulo, server::RemoteServer &server, vcs::SvnClient &svn,
                                 FileLists listas)
    : m_modulo(modulo), m_server(server), m_svn(svn), m_listas(listas)
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

vcs::SvnRun WorkflowContext::on(const QString &caption, const vcs::LineSink &sink)
{
    return {runner().runner(), caption, sink, [this] { return std::make_shared<Run>(begin(activity())); }};
}

}
