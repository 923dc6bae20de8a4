#pragma once
// "Descrição da Atividade" (APR00600): the request, the task and the work
// items of an activity, read-only, from the five values the plan gives:
// branch, task, activity, base directory and the consolidated-requirement flag.
#include "host/messages.h"
#include "host/recordset.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include <QWidget>

class QFormLayout;
class QLineEdit;
class QPlainTextEdit;
class QTableView;

namespace descricao {

struct DescriptionValues {
    QString filial, tarefa, atividade, diretorioBase, consolidada;
    // From the module parameter; false unless branch, task and activity are there.
    static bool parse(const QStringList &values, DescriptionValues &out);
};

class TfrmDescricaoAtiv : public QWidget {
    Q_OBJECT
public:
    explicit TfrmDescricaoAtiv(const DescriptionValues &values, QWidget *parent = nullptr);

    static QString CodigoTela() { return QStringLiteral("APR00600"); }
    // The activity's texts and work items, read through server.
    void load(server::RemoteServer &server);
    // The text of a read-only field by its object name.
    QString shown(const char *editName) const;

    qor::RecordSet cdsAtividade{QStringLiteral("cdsAtividade")};
    qor::RecordSet cdsItens{QStringLiteral("cdsItens")};
    QPlainTextEdit *memDescricao = nullptr;
    QTableView *dbgItens = nullptr;

private:
    void buildView();
    void showValues();
    QLineEdit *addLine(QFormLayout *form, const char *name, const char *labelKey);

    DescriptionValues m_values;
};

// The window with a connection of its own to the host's application server.
class DescricaoWindow : public TfrmDescricaoAtiv {
    Q_OBJECT
public:
    explicit DescricaoWindow(const DescriptionValues &values);

private:
    server::TNetConnection m_connection{QStringLiteral("netDescricao")};
    server::ConnectionUses m_uses;
    server::NetRemoteServer m_server{m_connection, m_uses};
};

const qor::TMessages &DescricaoTexts();

}
