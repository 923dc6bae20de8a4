#pragma once
// The plan's pop-up items that open something for the current activity:
// "Descrição" (the activity description module), "Resposta" (the answer
// dialog) and the double click that opens the request's requirement document.
//
// Wiring in the main window:
//   plan::PlanActions acoes({servidor, cdsPlanAtivTare, cds_ItemTarefa, [this] { return RetornaDirArqSoli(); },
//                            [this](filial, sol, grupo, proc) { ...CriaAnexoScript... }, this});
//   mniDescricao -> acoes.Descrio1Click(); mniResposta -> acoes.Resposta1Click();
//   dbgPadrao double click -> acoes.dbgPadraoDblClick();
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;
namespace qor { class RecordSet; }
namespace server { class RemoteServer; }

namespace plan {

struct PlanActionsContext {
    server::RemoteServer &server;
    qor::RecordSet &cdsPlanAtivTare;
    qor::RecordSet &cds_ItemTarefa;
    // The enciphered base directory of the requests' documents (registry "DirArqSoli").
    std::function<QString()> dirArqSoli;
    // The script attachment of a request: branch, request, product group, process.
    std::function<void(const QString &, const QString &, const QString &, const QString &)> anexoScript;
    QWidget *parent = nullptr;
};

// The processes whose answer first asks for the patch scripts.
bool AnswerAsksForScripts(const QString &processo);

class PlanActions {
public:
    explicit PlanActions(PlanActionsContext ctx);

    void Descrio1Click();
    void Resposta1Click();
    void dbgPadraoDblClick();

    // The five values handed to the description module.
    QStringList descriptionValues() const;
    // The requirement document of the current activity as a logical path, or
    // empty when its kind has none or its request's directory is missing.
    QString requirementDocument() const;

    // Opens a host file; QDesktopServices by default (tests replace it).
    std::function<bool(const QString &hostPath)> openDocument;

private:
    QString field(const char *name) const;

    PlanActionsContext m_ctx;
};

}
