#pragma once
#include "host/messages.h"
#include <QString>
#include <QStringList>

namespace vcs {

// Recognises the client's output by the texts of a window's message list.
// Failure texts are looked for as plain substrings. A success text only
// counts on a line that carries no failure: the client's warnings may quote a
// success text ("W160035: ... já está travado pelo usuário ...").
class Recognition {
public:
    enum class Tone { Normal, Failure, Success };

    // The texts of a window's message list, then the further alternatives of
    // its recognition keys (each added after the key's own text).
    explicit Recognition(const QString &resourcePath, const QString &alternativesPath = {});
    static const Recognition &mainWindow();   // the main window's list with :/vcs/messages.txt
    static const Recognition &logViewer();    // :/vcs/history.txt

    const qor::TMessages &messages() const { return m_messages; }
    QString text(const QString &key) const { return m_messages.Msg(key); }

    bool failureIn(const QString &key, const QString &output) const;
    bool successIn(const QString &key, const QString &output) const;
    // A line is a failure when it holds "Fatal", "Erro", an error code of the
    // client, or the text of a failure key of this list. A warning of the client
    // is a failure only when it holds such a text.
    bool lineCarriesFailure(const QString &line) const;
    // True when the line holds the text of one of the failure keys.
    bool listedFailure(const QString &line) const;
    static bool isClientError(const QString &line);     // "svn: E123456: ..."
    Tone toneOf(const QString &line) const;

    static QStringList failureKeys();
    static QStringList successKeys();

private:
    qor::TMessages m_messages;
};

// The layer's own texts (:/vcs/layer.msg).
const qor::TMessages &LayerTexts();

// Lines of an output text: split at CR LF, CR or LF; a trailing break adds no line.
QStringList SplitLines(const QString &text);

}
