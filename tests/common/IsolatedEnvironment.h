#pragma once

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QString>

#include "FreePorts.h"

// The environment for a program that a test starts (the app, the simulated unit): its home, data, settings
// and runtime folders live under `root`, so a test never touches the user's own; headless Qt; English.
inline QProcessEnvironment isolatedEnvironment(const QString& root)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QDir(root).mkpath("home/config");
    QDir(root).mkpath("runtime");
    QFile::setPermissions(root + "/runtime",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert("HOME", root + "/home");
    env.insert("XDG_DATA_HOME", root + "/home/data");
    env.insert("XDG_CONFIG_HOME", root + "/home/config");
    env.insert("XDG_RUNTIME_DIR", root + "/runtime");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QT_QUICK_BACKEND", "software");
    env.insert("LANG", "C.UTF-8");
    env.insert("LANGUAGE", "");
    // Never the shared discovery port: a unit or an application running beside the tests stays apart.
    env.insert("VYRA_DISCOVERY_PORT", QString::number(freeUdpPort()));
    return env;
}
