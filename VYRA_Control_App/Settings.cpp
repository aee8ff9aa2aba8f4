#include "Settings.h"

#include <QSettings>

namespace tavik {

namespace {
const QString showDialogOnStartupKey = QStringLiteral("showDialogOnStartup");
}

Settings::Settings(QObject* parent) : QObject(parent)
{
    // Default constructor: the store of the organisation and application that main sets.
    QSettings store;
    m_showDialogOnStartup = store.value(showDialogOnStartupKey, true).toBool();
}

void Settings::setShowDialogOnStartup(bool value)
{
    m_showDialogOnStartup = value;
    emit showDialogOnStartupChanged(value);
    QSettings store;
    store.setValue(showDialogOnStartupKey, value);
}

} // namespace tavik
