#pragma once
// The groups of process codes (CDPROCESSO, ten digits) that the rules of the
// plan, the check-out and check-in and the patch scripts branch on. Each code
// stands here once; a group made of others says so. Header only, so every
// part of the module can ask without linking the plan.
#include <QString>
#include <initializer_list>

namespace plan::processos {

namespace detail {

using Codigos = std::initializer_list<const char *>;

inline bool Em(const QString &processo, Codigos codigos)
{
    for (const char *codigo : codigos)
        if (processo == QLatin1String(codigo))
            return true;
    return false;
}

// The planned check-out processes: planned, and their activities check their
// work item out when they start.
inline constexpr Codigos kPlanejadosCheckout{"0000011045", "0000011054", "0000011077", "0000011080", "0000011262"};
// The other development processes.
inline constexpr Codigos kDesenvolvimentoLivre{"0000010196", "0000011633", "0000010706", "0000010712",
                                               "0000011329", "0000011263", "0000011264"};
// The data-modelling processes, whose patch files are database scripts; the
// first three also count as patch processes.
inline constexpr Codigos kScriptPatch{"0000011270", "0000000663", "0000011669"};
inline constexpr const char *kScriptSemPatch = "0000013015";
// Processes with a check-out and check-in of their own and nothing more.
inline constexpr Codigos kOutrosCheckout{"0000013011", "0000013008", "0000013014", "0000013022"};
// Planned processes without a check-out.
inline constexpr Codigos kPlanejadosSemCheckout{"0000011048", "0000011078", "0000011269", "0000010171"};
// The development processes whose base directory is writable only while they run.
inline constexpr Codigos kDiretorioTrabalho{"0000010196", "0000010706", "0000010712", "0000011045",
                                            "0000011054", "0000011077", "0000011080"};
inline constexpr Codigos kMonitoramento{"0000010702", "0000010703", "0000010708", "0000010709"};
inline constexpr Codigos kMonitoramentoSemHomologacao{"0000010703", "0000010709"};
inline constexpr const char *kTesteIntegrado = "0000011633";
inline constexpr const char *kMonitoramentoProjeto = "0000011265";

}

// Activities that change database scripts: their check-out selection and
// their patch scripts are of data modelling.
inline bool Script(const QString &p)
{
    return detail::Em(p, detail::kScriptPatch) || p == QLatin1String(detail::kScriptSemPatch);
}

// The only processes whose check-out validates the request and the work item.
inline bool Desenvolvimento(const QString &p)
{
    return detail::Em(p, detail::kPlanejadosCheckout) || detail::Em(p, detail::kDesenvolvimentoLivre);
}

// Planned ("P") activities of these start with a check-out of their work item.
inline bool PlanejadoCheckout(const QString &p)
{
    return detail::Em(p, detail::kPlanejadosCheckout);
}

// Need planning, agreement, a project in progress and no overdue patch to start.
inline bool Planejado(const QString &p)
{
    return PlanejadoCheckout(p) || detail::Em(p, detail::kPlanejadosSemCheckout);
}

// The check-in processes: development, script and the four others. The same
// processes check out when a planned activity starts (free check-out: the
// ones of them that are not planned) and may attach patch scripts at conclusion.
inline bool Checkin(const QString &p)
{
    return Desenvolvimento(p) || Script(p) || detail::Em(p, detail::kOutrosCheckout);
}

inline bool CheckoutLivre(const QString &p)
{
    return Checkin(p) && !PlanejadoCheckout(p);
}

// A planned activity of these checks its work item out before it runs.
inline bool CheckoutAoIniciar(const QString &p)
{
    return CheckoutLivre(p) || PlanejadoCheckout(p);
}

// May attach patch scripts when the activity is concluded.
inline bool AnexaScripts(const QString &p)
{
    return Checkin(p);
}

// On the Delphi platform a conclusion without a marked patch file is refused.
inline bool Patch(const QString &p)
{
    return Checkin(p) && p != QLatin1String(detail::kScriptSemPatch);
}

inline bool DiretorioTrabalho(const QString &p)
{
    return detail::Em(p, detail::kDiretorioTrabalho);
}

inline bool Monitoramento(const QString &p)
{
    return detail::Em(p, detail::kMonitoramento);
}

inline bool MonitoramentoSemHomologacao(const QString &p)
{
    return detail::Em(p, detail::kMonitoramentoSemHomologacao);
}

// The checks of the "Confirmar" menu item.
inline bool ConfirmaMenu(const QString &p)
{
    return Planejado(p) || p == QLatin1String(detail::kTesteIntegrado);
}

// Project monitoring: its priority cell is drawn apart, and it is the
// process of the start-up list unless the branch names another.
inline QString CodigoMonitoramentoProjeto()
{
    return QString::fromLatin1(detail::kMonitoramentoProjeto);
}

inline bool MonitoramentoProjeto(const QString &p)
{
    return p == QLatin1String(detail::kMonitoramentoProjeto);
}

}
