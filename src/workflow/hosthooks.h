#pragma once
// What the check-out and check-in ask of the host, each replaceable in tests.
#include <QString>
#include <functional>

namespace workflow {

struct HostHooks {
    std::function<QString()> filial;     // FiliProc
    std::function<QString()> operador;   // Operador
    // The host's busy animation (kind 6 with the caption) and its end.
    std::function<void(const QString &)> mostraAnimacao;
    std::function<void()> fechaAnimacao;
    // Where the activity's backup lives ("H:\Workdir\" unless the host says otherwise).
    std::function<QString()> raizBackup;

    QString Filial() const;
    QString Operador() const;
    void Animacao(const QString &texto) const;
    void FechaAnimacao() const;
    QString RaizBackup() const;
};

}
