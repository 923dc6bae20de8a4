#pragma once
// "Acompanhamento Apropriação" (APR00500): the signed-in operator's booked
// time of a period, per day and per activity, as a table and a chart; the
// running interval grows by the server's clock; the table goes out as CSV.
#include "acompanha/apuracao.h"
#include "host/messages.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;
class QChartView;
class QChart;

namespace qor { class TDateEditPlus; }

namespace acompanha {

class TfrmAcompanhaAPR : public QWidget {
    Q_OBJECT
public:
    // The server may be given later (usaServidor), before the first carrega().
    explicit TfrmAcompanhaAPR(server::RemoteServer *server = nullptr, QWidget *parent = nullptr);
    void usaServidor(server::RemoteServer &server) { m_server = &server; }

    static QString CodigoTela() { return QStringLiteral("APR00500"); }
    // Reads the period of the date edits (default: this week, Monday to Sunday).
    void carrega();
    // Asks for a file through the dialog seam and writes the table to it.
    void exporta();
    // The server's clock now: the time it gave with the intervals, moved on
    // by this machine's monotonic clock since.
    QDateTime agora() const;
    const Apuracao &apuracao() const { return m_apuracao; }
    QStringList cabecalho() const;

    qor::TDateEditPlus *edtInicio = nullptr;
    qor::TDateEditPlus *edtFim = nullptr;
    QPushButton *btnAtualizar = nullptr;
    QPushButton *btnExportar = nullptr;
    QTableWidget *dbgApropriacao = nullptr;
    QChartView *chtApropriacao = nullptr;
    QLabel *lblTotal = nullptr;
    QLabel *lblAndamento = nullptr;
    QLabel *lblSituacao = nullptr;
    QTimer tmrAndamento;

private:
    void buildView();
    bool periodo(QDate &de, QDate &ate) const;
    void apura();
    void mostra();
    void mostraTabela();
    void mostraGrafico();
    void mostraTotais();
    // A tick of the timer: the same rows with new durations, or everything
    // again when a row came in (midnight passed).
    void cresce();

    server::RemoteServer *m_server = nullptr;
    std::vector<Intervalo> m_intervalos;
    Apuracao m_apuracao;
    QDate m_de, m_ate;
    QDateTime m_relogioServidor;
    QElapsedTimer m_desde;
};

// The window with a connection of its own to the host's application server.
class AcompanhaWindow : public TfrmAcompanhaAPR {
    Q_OBJECT
public:
    AcompanhaWindow();

private:
    server::TNetConnection m_connection{QStringLiteral("netAcompanha")};
    server::ConnectionUses m_uses;
    server::NetRemoteServer m_server{m_connection, m_uses};
};

const qor::TMessages &AcompanhaTexts();

}
