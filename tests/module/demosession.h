#pragma once
// The host's session of the demo operator on a test's application server,
// and the main window opened on his plan.
#include "../server/serverprocess.h"
#include "host/services.h"
#include "module/frmzel.h"
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>

inline qor::Session DemoSession(const testsupport::ServerProcess &server)
{
    qor::Session session;
    session.operador = QStringLiteral("000000000001");
    session.filial = QStringLiteral("0001");
    session.empresa = QStringLiteral("0001");
    session.webUrl = server.host();
    session.webPort = server.port();
    session.token = server.token();
    return session;
}

// Shown, with the plan of the Delphi products loaded.
inline apr::TfrmZEL *OpenOnPlan()
{
    auto *window = new apr::TfrmZEL;
    window->show();
    QApplication::processEvents();
    window->rbtProdDelphi->setChecked(true);
    window->btnOk->click();
    return window;
}
