#include "AppTestSupport.h"

#include "IsolatedEnvironment.h"

#include <QDir>
#include <QTcpServer>

#include "ManagedBuffer.h"

namespace AppTest {

std::shared_ptr<Ulmar::Messaging::IResponse> response(const std::string& type, const std::string& body)
{
    std::shared_ptr<Ulmar::Messaging::ManagedBuffer> buffer;
    if (!body.empty())
        buffer = Ulmar::Messaging::ManagedBuffer::FromBytes(body.data(), body.size());
    return std::make_shared<Ulmar::Messaging::IResponse>(type, 1, std::string(), buffer, 0);
}

namespace {
std::mutex g_logMutex;
QStringList g_lines;
QtMessageHandler g_previous = nullptr;
} // namespace

MessageLog::MessageLog()
{
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_lines.clear();
    g_previous = qInstallMessageHandler(&MessageLog::handler);
}

MessageLog::~MessageLog()
{
    qInstallMessageHandler(g_previous);
}

void MessageLog::handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    QtMessageHandler previous;
    {
        std::lock_guard<std::mutex> lock(g_logMutex);
        g_lines << message;
        previous = g_previous;
    }
    if (previous)
        previous(type, context, message);
}

QStringList MessageLog::lines() const
{
    std::lock_guard<std::mutex> lock(g_logMutex);
    return g_lines;
}

int MessageLog::count(const QString& line) const
{
    return lines().count(line);
}

bool MessageLog::contains(const QString& part) const
{
    for (const QString& line : lines())
        if (line.contains(part))
            return true;
    return false;
}

void KeyValueRecorder::operator()(const QVariant& key, const QVariant& value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pairs.emplace_back(key, value);
}

std::vector<std::pair<QVariant, QVariant>> KeyValueRecorder::pairs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pairs;
}

QProcessEnvironment programEnvironment(const QString& root)
{
    return isolatedEnvironment(root);
}

QString buildDir()
{
    return qEnvironmentVariable("VYRA_BUILD_DIR");
}

} // namespace AppTest
