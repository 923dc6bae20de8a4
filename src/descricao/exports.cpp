// The entry points of pkg_APR00600 the host resolves by name.
#include "descricao/frmdescricao.h"
#include "host/services.h"
#include <QList>
#include <QMdiSubWindow>
#include <QPointer>

namespace {

QList<QPointer<QWidget>> &windows()
{
    static QList<QPointer<QWidget>> open;
    return open;
}

void criaDescricao(const QString &parameter)
{
    descricao::DescriptionValues values;
    if (!descricao::DescriptionValues::parse(qor::ModuleParameters(parameter), values))
        qor::MensErro(descricao::DescricaoTexts().Msg(QStringLiteral("VALORES_INVALIDOS")), true);
    std::unique_ptr<descricao::DescricaoWindow> window;
    {
        qor::BusyCursor busy;
        window = std::make_unique<descricao::DescricaoWindow>(values);
    }
    windows() << window.get();
    qor::ShowChildWindow(window.release());
}

}

// The five values of the activity (branch, task, activity, base directory,
// consolidated flag) as the host's module parameter text.
extern "C" Q_DECL_EXPORT void CriaDescricaoAtiv(const char *parametros)
{
    const QString parameter = QString::fromUtf8(parametros ? parametros : "");
    qor::guarded([&] { criaDescricao(parameter); });
}

// Called by the host before it unloads the module: no window outlives its code.
extern "C" Q_DECL_EXPORT void FinalizaModulo()
{
    for (const QPointer<QWidget> &window : windows())
        delete window.data();
    windows().clear();
}
