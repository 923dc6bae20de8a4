#include "vcs/classifier.h"
#include "host/services.h"
#include "server/remote.h"
#include <QJsonArray>

namespace vcs {

namespace {

QString fileName(const QString &path)
{
    const int cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(cut + 1);
}

class Flag {
public:
    explicit Flag(bool &flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~Flag() { m_flag = m_old; }
    Flag(const Flag &) = delete;
    Flag &operator=(const Flag &) = delete;
private:
    bool &m_flag;
    bool m_old;
};

}

Classifier::Classifier(ClassifierContext &context, const Recognition &texts)
    : m_context(context), m_texts(texts),
      m_ownSvn(std::make_unique<SvnClient>([&context] { return SvnAccount{context.svnUser(), context.svnPassword()}; })),
      m_svn(*m_ownSvn)
{
}

Classifier::Classifier(ClassifierContext &context, const SvnClient &svn, const Recognition &texts)
    : m_context(context), m_texts(texts), m_svn(svn)
{
}

void Classifier::setUnlockRunner(ConsoleRunner *runner, LineSink progress)
{
    m_runner = runner;
    m_progress = std::move(progress);
}

Classification Classifier::classify(const QString &pollText, const QString &caption) const
{
    return Classify(m_texts, pollText, caption);
}

Classification Classifier::classifyEnd(const CommandResult &result) const
{
    if (m_undoing) return {};
    // The "EXECUTANDO SVN INFO" runs are questions: an unversioned directory's
    // error is their answer, which the caller reads from the captured output.
    if (result.caption.contains(m_texts.text(QStringLiteral("EXEC_SVN_INFO")))) return {};
    return ClassifyEnd(m_texts, result.output, result.exitCode, result.crashed);
}

QString Classifier::message(const Classification &failure) const
{
    QString text = m_texts.text(failure.messageKey);
    if (failure.kind == Classification::Kind::ClientError)
        text += QStringLiteral("\n\n") + LayerTexts().Msg(QStringLiteral("LINHA_DO_CLIENTE")).arg(failure.clientLine);
    return text;
}

void Classifier::react(const Classification &failure)
{
    if (!failure.failed()) return;
    if (failure.unlocksCheckout) unlockCheckoutFiles();
    if (failure.clearsCheckout) clearArqCheckout();
    m_context.enableConfirm();
    qor::MensErro(message(failure), true);
}

CommandLine Classifier::unlockCommand(const QString &file) const
{
    return m_svn.unlockCommand(file.toLower());
}

void Classifier::unlockCheckoutFiles()
{
    if (!m_runner || !m_ledger) return;
    const Flag undoing(m_undoing);
    const QString caption = m_texts.text(QStringLiteral("ACAO_SUBVERSION_UNLOCK"));
    for (const QString &file : m_ledger->chosen())
        m_svn.unlock({*m_runner, caption + fileName(file), m_progress}, file.toLower());
}

void Classifier::clearArqCheckout()
{
    // Without an activity of the run there is nothing of ours to clear.
    if (!m_ledger || !m_ledger->hasActivity()) return;
    qor::CheckResultServ(m_ledger->clearOnServer(m_context.server()));
}

}
