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

    explicit Recognition(const QString &resourcePath);
    static const Recognition &mainWindow();   // :/vcs/messages.txt
    static const Recognition &logViewer();    // :/vcs/history.txt

    const qor::TMessages &messages() const { return m_messages; }
    QString text(const QString &key) const { return m_messages.Msg(key); }

    bool failureIn(const QString &key, const QString &output) const;
    bool successIn(const QString &key, const QString &output) const;
    // A line is a failure when it holds "Fatal", "Erro", an error or warning code
    // of the client, or the text of a failure key of this list.
    bool lineCarriesFailure(const QString &line) const;
    Tone toneOf(const QString &line) const;

    static QStringList failureKeys();
    static QStringList successKeys();

private:
    qor::TMessages m_messages;
};

// Lines of an output text: split at CR LF, CR or LF; a trailing break adds no line.
QStringList SplitLines(const QString &text);

}
