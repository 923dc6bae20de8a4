#pragma once
// The states of an activity of the plan (IDSITATIVTAR) and their letters, as
// the client and the application server both read and write them. Header
// only: the server builds it without the client's libraries.
#include <QLatin1StringView>
#include <QString>
#include <optional>

namespace plan {

enum class Situacao : char {
    Planejada = 'P',     // not appropriated yet; a null state reads the same
    EmAndamento = 'A',
    Paralisada = 'I',
    Concluida = 'C',
    Cancelada = 'X',
};

constexpr char Letra(Situacao situacao) { return char(situacao); }

inline QString TextoDe(Situacao situacao) { return QString(QLatin1Char(Letra(situacao))); }

// The state a stored letter names; empty for a letter that names none. A null
// or blank state is a planned activity.
inline std::optional<Situacao> SituacaoDe(const QString &letra)
{
    const QString texto = letra.trimmed();
    if (texto.isEmpty())
        return Situacao::Planejada;
    if (texto.size() != 1)
        return std::nullopt;
    for (Situacao s : {Situacao::Planejada, Situacao::EmAndamento, Situacao::Paralisada, Situacao::Concluida,
                       Situacao::Cancelada})
        if (texto.at(0) == QLatin1Char(Letra(s)))
            return s;
    return std::nullopt;
}

inline bool E(const QString &letra, Situacao situacao)
{
    return letra.trimmed() == TextoDe(situacao);
}

// Concluded or cancelled: the activity has left the operator's plan.
inline bool Encerrada(const QString &letra)
{
    return E(letra, Situacao::Concluida) || E(letra, Situacao::Cancelada);
}

// A planned activity: "P" or no state at all.
inline bool Planejada(const QString &letra)
{
    return SituacaoDe(letra) == Situacao::Planejada;
}

// The SQL text of a state's letter, quoted: "'A'".
inline QString Sql(Situacao situacao)
{
    return QLatin1Char('\'') + TextoDe(situacao) + QLatin1Char('\'');
}

// The condition "not concluded nor cancelled" on a state column of the server's SQL.
inline QString SqlNaoEncerrada(const QString &coluna)
{
    return QStringLiteral("(%1 IS NULL OR %1 NOT IN (%2, %3))")
        .arg(coluna, Sql(Situacao::Concluida), Sql(Situacao::Cancelada));
}

}
