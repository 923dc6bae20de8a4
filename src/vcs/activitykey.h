#pragma once
#include <QString>

namespace vcs {

// CDFILIAL, NRTAREFA and NRPLATIVTARE: one activity of the plan, in rows,
// remote calls and dialogs.
struct ActivityKey {
    QString filial;
    QString tarefa;
    QString atividade;
    bool isEmpty() const { return tarefa.isEmpty() && atividade.isEmpty(); }
    bool operator==(const ActivityKey &) const = default;
};

}
