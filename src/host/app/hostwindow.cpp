#include "host/app/hostwindow.h"
#include "host/dialogs.h"
#include "host/services.h"
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

namespace host {

namespace {
struct KnownScreen {
    const char *code;
    const char *title;
    const char *library;
    const char *creator;
    // Opened by another module with its values (the creator takes the
    // parameter text), not from the menu.
    bool takesParameter = false;
};
// The screens of the suite this host knows of.
const KnownScreen kScreens[] = {
    {"APR00100", "Apropriação de Atividades", "pkg_APR00100", "CriaAproAtiv"},
    {"APR00500", "Acompanhamento Apropriação", "pkg_APR00500", "CriaAcompanhaAPR"},
    {"APR00600", "Descrição da Atividade", "pkg_APR00600", "CriaDescricaoAtiv", true},
};

const KnownScreen *findScreen(const QString &code)
{
    for (const KnownScreen &screen : kScreens)
        if (code.compare(QLatin1String(screen.code), Qt::CaseInsensitive) == 0)
            return &screen;
    return nullptr;
}
}

HostWindow::HostWindow(const HostOptions &options, QWidget *parent) : QMainWindow(parent), m_options(options)
{
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(m_options.session.applicationTitle);
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiPrincipal"));
    setCentralWidget(m_mdi);
    buildMenus();
    buildStatusBar();
    resize(1280, 800);
}

HostWindow::~HostWindow()
{
    // Windows of a module go before its code does.
    m_mdi->closeAllSubWindows();
    while (!m_modules.empty())
        unloadModule(m_modules.begin()->first);
}

void HostWindow::buildStatusBar()
{
    // Permanent widgets: the hints of menus and actions pass over them without
    // taking their place.
    const qor::Session &session = m_options.session;
    const QList<QPair<const char *, QString>> items = {
        {"lblOperador", QStringLiteral("Operador %1").arg(session.operador)},
        {"lblFilial", QStringLiteral("Filial %1").arg(session.filial)},
        {"lblEmpresa", QStringLiteral("Empresa %1").arg(session.empresa)},
        {"lblServidor", QStringLiteral("Servidor %1:%2").arg(session.webUrl).arg(session.webPort)},
    };
    for (const auto &[name, text] : items) {
        auto *label = new QLabel(text, statusBar());
        label->setObjectName(QLatin1String(name));
        statusBar()->addPermanentWidget(label);
    }
}

void HostWindow::buildMenus()
{
    QMenu *modules = menuBar()->addMenu(QStringLiteral("&Módulos"));
    for (const KnownScreen &screen : kScreens) {
        if (screen.takesParameter)
            continue;
        QAction *action = modules->addAction(QStringLiteral("%1 - %2").arg(QLatin1String(screen.code),
                                                                           QString::fromUtf8(screen.title)));
        action->setObjectName(QStringLiteral("act") + QLatin1String(screen.code));
        const QString code = QLatin1String(screen.code);
        connect(action, &QAction::triggered, this, [this, code] { openModule(code); });
    }
    modules->addSeparator();
    connect(modules->addAction(QStringLiteral("Abrir tela pelo código...")), &QAction::triggered, this,
            [this] { askScreenCode(); });
    modules->addSeparator();
    connect(modules->addAction(QStringLiteral("Sair")), &QAction::triggered, this, &QWidget::close);

    QMenu *windows = menuBar()->addMenu(QStringLiteral("&Janelas"));
    connect(windows->addAction(QStringLiteral("Cascata")), &QAction::triggered, m_mdi, &QMdiArea::cascadeSubWindows);
    connect(windows->addAction(QStringLiteral("Lado a lado")), &QAction::triggered, m_mdi, &QMdiArea::tileSubWindows);
}

void HostWindow::askScreenCode()
{
    bool ok = false;
    const QString code = QInputDialog::getText(this, QStringLiteral("Abrir tela"), QStringLiteral("Código da tela:"),
                                               QLineEdit::Normal, {}, &ok);
    if (ok && !code.trimmed().isEmpty())
        openModule(code.trimmed().toUpper());
}

QString HostWindow::libraryFileName(const QString &screenCode)
{
    const KnownScreen *screen = findScreen(screenCode);
    return screen ? QStringLiteral("lib%1.so").arg(QLatin1String(screen->library)) : QString();
}

QString HostWindow::moduleLibraryPath(const QString &screenCode) const
{
    return QDir(m_options.moduleDir).absoluteFilePath(libraryFileName(screenCode));
}

bool HostWindow::openModule(const QString &screenCode, const QString &parameter)
{
    const QString code = screenCode.toUpper();
    const KnownScreen *screen = findScreen(code);
    if (!screen) {
        qor::ShowWarning(QStringLiteral("A tela %1 não está disponível nesta instalação.").arg(code));
        return false;
    }
    Module &module = m_modules[code];
    if (!module.library) {
        module.library = std::make_unique<QLibrary>(moduleLibraryPath(code));
        // Texts of a module (window titles, messages) may be shared by the host's
        // objects after the module let go of its windows: its code stays mapped.
        module.library->setLoadHints(QLibrary::PreventUnloadHint);
        module.creator = QLatin1String(screen->creator);
    }
    if (!module.library->isLoaded() && !module.library->load()) {
        const QString why = module.library->errorString();
        m_modules.erase(code);
        qor::ShowDetailError(QStringLiteral("Não foi possível carregar o módulo da tela %1.").arg(code), why);
        return false;
    }
    QFunctionPointer creator = module.library->resolve(module.creator.toLatin1().constData());
    if (!creator) {
        qor::ShowDetailError(QStringLiteral("O módulo da tela %1 não oferece a função %2.").arg(code, module.creator),
                             module.library->fileName());
        return false;
    }
    if (screen->takesParameter) {
        const QByteArray text = parameter.toUtf8();
        reinterpret_cast<void (*)(const char *)>(creator)(text.constData());
    } else {
        reinterpret_cast<void (*)()>(creator)();
    }
    return true;
}

bool HostWindow::callModule(const QString &screenCode, const char *function, const QStringList &texts)
{
    auto it = m_modules.find(screenCode.toUpper());
    if (it == m_modules.end() || !it->second.library || !it->second.library->isLoaded() || texts.size() != 4)
        return false;
    using Creator = void (*)(const char *, const char *, const char *, const char *);
    auto call = reinterpret_cast<Creator>(it->second.library->resolve(function));
    if (!call) {
        qor::ShowDetailError(QStringLiteral("O módulo da tela %1 não oferece a função %2.")
                                 .arg(screenCode, QLatin1String(function)),
                             it->second.library->fileName());
        return false;
    }
    const QByteArray a = texts[0].toUtf8(), b = texts[1].toUtf8(), c = texts[2].toUtf8(), d = texts[3].toUtf8();
    call(a.constData(), b.constData(), c.constData(), d.constData());
    return true;
}

void HostWindow::unloadModule(const QString &screenCode)
{
    const QString code = screenCode.toUpper();
    auto it = m_modules.find(code);
    if (it == m_modules.end())
        return;
    QLibrary *library = it->second.library.get();
    if (library && library->isLoaded()) {
        using Hook = void (*)();
        if (auto finish = reinterpret_cast<Hook>(library->resolve("FinalizaModulo")))
            finish();
        // The frames of the module's windows go before the module does.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        library->unload();
    }
    m_modules.erase(it);
}

void HostWindow::openChild(QWidget *window)
{
    QMdiSubWindow *frame = m_mdi->addSubWindow(window);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    // A window that closes itself takes its frame along.
    connect(window, &QObject::destroyed, frame, [frame] { frame->close(); });
    frame->show();
}

}
