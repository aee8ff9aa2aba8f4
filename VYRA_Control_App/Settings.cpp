#include "Settings.h"

#include <QFileInfo>
#include <QSettings>

#include "LogCategories.h"

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
    // Qt writes a new file and renames it over the store, but into a link's target: a store that is a link
    // (someone else's file, or one they can read) is left alone.
    if (QFileInfo(store.fileName()).isSymLink()) {
        qCWarning(lcApp, "Settings: %s is a symbolic link; the setting is not saved",
                  qPrintable(store.fileName()));
        return;
    }
    store.setValue(showDialogOnStartupKey, value);
}

} // namespace tavik
