#pragma once
#include "host/services.h"
#include <QString>
#include <QStringList>

namespace host {

// What the host was asked to do: the session to sign in and the start-up actions.
struct HostOptions {
    qor::Session session;
    bool sessionComplete = false;   // operator, branch, company and server known
    QString moduleDir;              // where the module libraries are
    QStringList openAtStart;        // screen codes
    int platform = -1;              // pre-selects and confirms a platform (0..3)
    QString screenshot;             // file to save a picture of the window to
    bool stay = false;              // keep running after the screenshot
    QStringList anexoScript;        // branch, request, product group, process for CriaAnexoScript
    bool passwordFromStdin = false; // the password is the first line of standard input
    QString error;                  // a bad option
};

// Reads the settings file, then the command line (which wins).
HostOptions ParseHostOptions(const QStringList &arguments);
QString HostSettingsFile();
void SaveSession(const qor::Session &session);

}
