#pragma once
#include "host/app/hostoptions.h"
#include <QLibrary>
#include <QMainWindow>
#include <map>
#include <memory>

class QMdiArea;

namespace host {

// The suite's multi-document main window: opens modules by screen code.
class HostWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit HostWindow(const HostOptions &options, QWidget *parent = nullptr);
    ~HostWindow() override;
    // Calls an export of a loaded module that takes four UTF-8 texts.
    bool callModule(const QString &screenCode, const char *function, const QStringList &texts);

    // Loads the module of the screen code (once) and calls its creator.
    bool openModule(const QString &screenCode, const QString &parameter = {});
    // Lets the module clean up and unloads it.
    void unloadModule(const QString &screenCode);
    QMdiArea *mdiArea() const { return m_mdi; }
    void openChild(QWidget *window);

    static QString libraryFileName(const QString &screenCode);

private:
    struct Module {
        QString creator;
        std::unique_ptr<QLibrary> library;
    };
    void buildMenus();
    void buildStatusBar();
    void askScreenCode();
    QString moduleLibraryPath(const QString &screenCode) const;

    HostOptions m_options;
    QMdiArea *m_mdi = nullptr;
    std::map<QString, Module> m_modules;
};

}
