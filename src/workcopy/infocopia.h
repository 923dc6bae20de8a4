#pragma once
#include <QString>

namespace workflow { class WorkflowContext; }

namespace workcopy {

// What `svn info --xml` says of its first entry.
struct InfoEntrada {
    QString url;          // <url>
    QString raiz;         // <repository><root>
    QString revisao;      // revision of <commit>
    bool temInfo = false; // the output held an <info> element
};

// Reads the repository location and the last committed revision of a working
// copy or file through the main runner (the "GRAVANDO RELEASE" runs, whose raw
// output the runner captures).
class InfoCopia {
public:
    explicit InfoCopia(workflow::WorkflowContext &fluxo) : m_fluxo(fluxo) {}

    // The URL of path, or empty; asks up to ten times while the client answers no <info>.
    QString CopiaURL(const QString &path);
    // The revision of the last commit of path, or empty.
    QString CopiaRelease(const QString &path);
    // True when the working copy in dir belongs to url (one trailing "/" ignored).
    // A location without a scheme ("/P401/trunk") is taken below the copy's repository root.
    bool Verifica_Copia_Trabalho(const QString &dir, const QString &url);

    // The entry of the client's XML answer; tolerant of text around the document.
    static InfoEntrada Le(const QString &saida);
    static bool MesmaLocalizacao(const InfoEntrada &info, const QString &url);
    // What the last question answered.
    const InfoEntrada &ultima() const { return m_ultima; }

private:
    InfoEntrada pergunta(const QString &path, int tentativas);

    workflow::WorkflowContext &m_fluxo;
    InfoEntrada m_ultima;
};

}
