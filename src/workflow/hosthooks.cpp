#include "workflow/hosthooks.h"
#include "host/services.h"
#include "workcopy/backupworkdir.h"

namespace workflow {

QString HostHooks::Filial() const
{
    return filial ? filial() : qor::FiliProc();
}

QString HostHooks::Operador() const
{
    return operador ? operador() : qor::Operador();
}

void HostHooks::Animacao(const QString &texto) const
{
    if (mostraAnimacao)
        mostraAnimacao(texto);
    else
        qor::ActiveShowAvi(nullptr, 6, texto);
}

void HostHooks::FechaAnimacao() const
{
    if (fechaAnimacao)
        fechaAnimacao();
    else
        qor::DeactiveShowAvi();
}

QString HostHooks::RaizBackup() const
{
    return raizBackup ? raizBackup() : workcopy::BackupWorkdir::raizPadrao();
}

}
