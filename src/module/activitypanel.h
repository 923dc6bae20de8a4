#pragma once
#include <QString>
#include <QStringList>

namespace apr {

// What the activity layer shows through the main window while a command or
// workflow runs: the progress view (its list, bar and confirm button), the
// host's busy text, and the plan grid, which is off while an activity changes.
class ActivityPanel {
public:
    virtual ~ActivityPanel() = default;

    virtual void mostraLinhas(const QStringList &linhas) = 0;     // lsbProgresso
    virtual void posicionaBarra(int posicao) = 0;                   // pgrSubVersion, 0 .. 1000000
    virtual void habilitaConfirmacao(bool habilitado) = 0;          // btnConfirmaSubVersion
    // The command view in front, its list emptied (Desabilita_Botoes), and back
    // to the plan with every control enabled (Habilita_Botoes).
    virtual void Desabilita_Botoes() = 0;
    virtual void Habilita_Botoes() = 0;
    virtual bool vistaDeComandos() const = 0;                       // panSubVersion visible
    virtual void mostraOcupado(const QString &texto) = 0;
    virtual void fechaOcupado() = 0;
    virtual void habilitaGrade(bool habilitada) = 0;                // dbgPadrao; enabled also takes the focus
    // A command or workflow started or ended (idle: none is left running).
    virtual void execucaoMudou(bool ocioso) = 0;
    // The plan again from the server, after an activity changed its state.
    virtual void recarregaPlano() = 0;
};

}
