#pragma once

#include <QObject>

namespace tavik {

// The user's persistent preferences, published to QML as "settings".
class Settings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool showDialogOnStartup READ showDialogOnStartup WRITE setShowDialogOnStartup NOTIFY
                   showDialogOnStartupChanged)

public:
    explicit Settings(QObject* parent = nullptr);

    bool showDialogOnStartup() const { return m_showDialogOnStartup; }
    // Every call signals and writes, even when the value is unchanged.
    void setShowDialogOnStartup(bool value);

signals:
    void showDialogOnStartupChanged(bool value);

private:
    bool m_showDialogOnStartup = true;
};

} // namespace tavik
