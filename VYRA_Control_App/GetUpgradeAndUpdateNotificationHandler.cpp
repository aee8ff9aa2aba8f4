#include "GetUpgradeAndUpdateNotificationHandler.h"

#include <QCoreApplication>
#include <QDateTime>

#include "InputLimits.h"
#include "MessageBody.h"
#include "MessageNames.h"

namespace Ulmar {
namespace Messaging {

namespace {

const char* const TrContext = "Ulmar::Messaging::GetUpgradeAndUpdateNotificationHandler";

const char* const UpgradeRunning =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetUpgradeAndUpdateNotificationHandler", "VYRA Updating to %1...");
const char* const UpgradeCancelled =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetUpgradeAndUpdateNotificationHandler", "VYRA Update Cancelled");
const char* const UpgradeFailed =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetUpgradeAndUpdateNotificationHandler", "VYRA Update Failed");
const char* const UpgradeSuccess =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetUpgradeAndUpdateNotificationHandler", "VYRA Update Successful");
const char* const UpgradeUnknown = QT_TRANSLATE_NOOP(
    "Ulmar::Messaging::GetUpgradeAndUpdateNotificationHandler", "VYRA Update: Unknown Status");
const char* const UpdateRunning = QT_TRANSLATE_NOOP(
    "Ulmar::Messaging::GetUpgradeAndUpdateNotificationHandler", "Motion Code Library Update in Progress...");
const char* const UpdateCancelled = QT_TRANSLATE_NOOP(
    "Ulmar::Messaging::GetUpgradeAndUpdateNotificationHandler", "Motion Code Library Update Cancelled");
const char* const UpdateFailed = QT_TRANSLATE_NOOP("Ulmar::Messaging::GetUpgradeAndUpdateNotificationHandler",
                                                   "Motion Code Library Update Failed");
const char* const UpdateSuccess = QT_TRANSLATE_NOOP(
    "Ulmar::Messaging::GetUpgradeAndUpdateNotificationHandler", "Motion Code Library Update Successful");
const char* const UpdateUnknown = QT_TRANSLATE_NOOP(
    "Ulmar::Messaging::GetUpgradeAndUpdateNotificationHandler", "Motion Code Library Update: Unknown Status");

QString tr(const char* text)
{
    return QCoreApplication::translate(TrContext, text);
}

using UpgradeStatus = GetUpgradeAndUpdateNotificationHandler::UpgradeStatus;
using UpdateStatus = GetUpgradeAndUpdateNotificationHandler::UpdateStatus;

UpgradeStatus upgradeStatusFrom(const std::string& text)
{
    if (text == "scheduled")
        return UpgradeStatus::scheduled;
    if (text == "in_progress")
        return UpgradeStatus::in_progress;
    if (text == "cancelled")
        return UpgradeStatus::cancelled;
    if (text == "failed")
        return UpgradeStatus::failed;
    if (text == "success")
        return UpgradeStatus::success;
    return UpgradeStatus::unknown;
}

UpdateStatus updateStatusFrom(const std::string& text)
{
    if (text == "in_progress")
        return UpdateStatus::in_progress;
    if (text == "cancelled")
        return UpdateStatus::cancelled;
    if (text == "failed")
        return UpdateStatus::failed;
    if (text == "success")
        return UpdateStatus::success;
    return UpdateStatus::unknown;
}

QString upgradeText(UpgradeStatus status, const std::string& version)
{
    switch (status) {
    case UpgradeStatus::scheduled:
    case UpgradeStatus::in_progress:
        return tr(UpgradeRunning).arg(QString::fromStdString(version));
    case UpgradeStatus::cancelled:
        return tr(UpgradeCancelled);
    case UpgradeStatus::failed:
        return tr(UpgradeFailed);
    case UpgradeStatus::success:
        return tr(UpgradeSuccess);
    case UpgradeStatus::unknown:
        break;
    }
    return tr(UpgradeUnknown);
}

QString updateText(UpdateStatus status)
{
    switch (status) {
    case UpdateStatus::in_progress:
        return tr(UpdateRunning);
    case UpdateStatus::cancelled:
        return tr(UpdateCancelled);
    case UpdateStatus::failed:
        return tr(UpdateFailed);
    case UpdateStatus::success:
        return tr(UpdateSuccess);
    case UpdateStatus::unknown:
        break;
    }
    return tr(UpdateUnknown);
}

// The value of the first root member when it is an object; nullptr otherwise (it then holds nothing).
const rapidjson::Value* firstMember(const std::shared_ptr<rapidjson::Document>& document)
{
    if (!document || !document->IsObject() || document->MemberCount() == 0)
        return nullptr;
    const auto& value = document->MemberBegin()->value;
    return value.IsObject() ? &value : nullptr;
}

// String members of the object named `name` inside `root`, each bounded; later occurrences win.
void readStrings(const rapidjson::Value* root, const std::string& name,
                 std::initializer_list<std::pair<const std::string*, std::string*>> wanted,
                 InputLimits& limits)
{
    if (!root)
        return;
    for (auto m = root->MemberBegin(); m != root->MemberEnd(); ++m) {
        if (toStdString(m->name) != name || !m->value.IsObject())
            continue;
        for (auto inner = m->value.MemberBegin(); inner != m->value.MemberEnd(); ++inner) {
            if (!inner->value.IsString())
                continue;
            const std::string key = toStdString(inner->name);
            for (const auto& w : wanted)
                if (key == *w.first)
                    *w.second = limits.utf8(inner->value.GetString(), inner->value.GetStringLength(),
                                            InputLimits::MaxNameLength, "version or status");
        }
    }
}

} // namespace

GetUpgradeAndUpdateNotificationHandler::GetUpgradeAndUpdateNotificationHandler() = default;

GetUpgradeAndUpdateNotificationHandler::~GetUpgradeAndUpdateNotificationHandler() = default;

void GetUpgradeAndUpdateNotificationHandler::handleResponse(std::shared_ptr<IResponse> response)
{
    if (!response)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string& type = response->getMessageType();
    if (type == MessageType::GetUpgradeNotification)
        handleUpgrade(response);
    else if (type == MessageType::GetUpdateNotification)
        handleUpdate(response);
}

void GetUpgradeAndUpdateNotificationHandler::handleUpgrade(const std::shared_ptr<IResponse>& response)
{
    const auto document = parseBody(response);
    const rapidjson::Value* root = firstMember(document);
    std::string lastVersion;
    std::string statusText;
    std::string currentVersion;
    InputLimits limits(response->getMessageType());
    readStrings(root, JsonKey::Last, {{&JsonKey::Version, &lastVersion}, {&JsonKey::Status, &statusText}},
                limits);
    readStrings(root, JsonKey::Current, {{&JsonKey::Version, &currentVersion}}, limits);
    const UpgradeStatus status = upgradeStatusFrom(statusText);

    if (!currentVersion.empty())
        emit vyraVersionReceived(QVariant(QString::fromStdString(currentVersion)));

    const bool running = !m_upgradeTargetVersion.empty();
    if (status != UpgradeStatus::unknown && !lastVersion.empty()) {
        const bool inProgress = status == UpgradeStatus::scheduled || status == UpgradeStatus::in_progress;
        if (running && inProgress) {
            emit upgradeStatusChanged(QVariant(true), QVariant(upgradeText(status, lastVersion)));
        } else if (running) {
            m_upgradeTargetVersion.clear();
            emit upgradeStatusChanged(QVariant(false), QVariant(upgradeText(status, lastVersion)));
        } else if (inProgress) {
            m_upgradeTargetVersion = lastVersion;
            emit upgradeStatusChanged(QVariant(true), QVariant(upgradeText(status, lastVersion)));
        }
    } else if (running) {
        m_upgradeTargetVersion.clear();
        emit upgradeStatusChanged(QVariant(false), QVariant(tr(UpgradeUnknown)));
    }
}

void GetUpgradeAndUpdateNotificationHandler::handleUpdate(const std::shared_ptr<IResponse>& response)
{
    const auto document = parseBody(response);
    const rapidjson::Value* root = firstMember(document);
    std::string statusText;
    std::string timestamp;
    InputLimits limits(response->getMessageType());
    readStrings(root, JsonKey::Last, {{&JsonKey::Status, &statusText}}, limits);
    readStrings(root, JsonKey::Current, {{&JsonKey::UpdatedTimestamp, &timestamp}}, limits);
    const UpdateStatus status = updateStatusFrom(statusText);

    if (!timestamp.empty()) {
        const QDateTime when = QDateTime::fromString(QString::fromStdString(timestamp), Qt::ISODate);
        if (when.isValid())
            emit lastUpdateTimestampReceived(QVariant(when.toString(QStringLiteral("yyyy-MM-dd hh:mm"))));
    }

    if (status == UpdateStatus::unknown) {
        if (m_updateRunning) {
            m_updateRunning = false;
            emit updateStatusChanged(QVariant(false), QVariant(tr(UpdateUnknown)));
        }
        return;
    }
    if (!m_updateRunning) {
        if (status == UpdateStatus::in_progress) {
            m_updateRunning = true;
            emit updateStatusChanged(QVariant(true), QVariant(updateText(status)));
        }
        return;
    }
    if (status == UpdateStatus::in_progress) {
        emit updateStatusChanged(QVariant(true), QVariant(updateText(status)));
    } else {
        m_updateRunning = false;
        emit updateStatusChanged(QVariant(false), QVariant(updateText(status)));
    }
}

void GetUpgradeAndUpdateNotificationHandler::handleConnected() {}

void GetUpgradeAndUpdateNotificationHandler::handleConnectionLost()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_upgradeTargetVersion.empty())
        emit upgradeStatusChanged(QVariant(true),
                                  QVariant(upgradeText(UpgradeStatus::in_progress, m_upgradeTargetVersion)));
}

void GetUpgradeAndUpdateNotificationHandler::handleDisconnected() {}

} // namespace Messaging
} // namespace Ulmar
