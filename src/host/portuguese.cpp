#include "host/portuguese.h"
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace qor {

bool UsePortuguese()
{
    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    QLocale::setDefault(brazil);
    auto *app = QCoreApplication::instance();
    if (!app)
        return false;
    // Installed once: a second call finds the translator the first one left.
    if (app->findChild<QTranslator *>(QStringLiteral("qtbase_pt_BR")))
        return true;
    auto *translator = new QTranslator(app);
    translator->setObjectName(QStringLiteral("qtbase_pt_BR"));
    if (!translator->load(brazil, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

}
