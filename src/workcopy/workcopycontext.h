#pragma once
#include "vcs/pathmap.h"
#include "vcs/runner.h"
#include <QDateTime>
#include <QString>
#include <functional>

namespace qor { class RecordSet; }
namespace workflow { class WorkflowContext; }

namespace workcopy {

// What the product update and the repair of working copies take from the main
// window. The window owns everything named here and outlives the context.
struct WorkCopyContext {
    workflow::WorkflowContext &fluxo;     // runner, account, server, dialogs, stlDirRenomeados
    QString &stDirArqSV;                  // the control file's directory, then its path
    bool &boPlataformaEscolhida;
    qor::RecordSet &cdsOperDesenv;
    qor::RecordSet &cdsParamVersao;

    vcs::LineSink progresso;              // lsbProgresso
    std::function<void()> desabilitaBotoes = [] {};
    std::function<void(bool)> confirmacao = [](bool) {};   // btnConfirmaSubVersion
    std::function<void(int)> barra = [](int) {};           // pgrSubVersion, 0 .. 1000000
    std::function<QString()> dirTrabalho = [] { return QString(); };   // "WorkDir", with "\"
    std::function<QDateTime()> agora = [] { return QDateTime::currentDateTime(); };
    vcs::PathMap paths;
    // The base URL of repository locations stored without a scheme ("/P401/trunk").
    QString raizRepositorio;
};

}
