#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "IResponse.h"

namespace AppTest {

// A message as the messenger hands it to a handler.
std::shared_ptr<Ulmar::Messaging::IResponse> response(const std::string& type, const std::string& body);


// Collects Qt debug/info/warning lines while alive (thread-safe); passes them on to the previous handler.
class MessageLog
{
public:
    MessageLog();
    ~MessageLog();
    QStringList lines() const;
    int count(const QString& line) const;
    bool contains(const QString& part) const;

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);
};

// Records key-value pairs, from any thread.
class KeyValueRecorder
{
public:
    void operator()(const QVariant& key, const QVariant& value);
    std::vector<std::pair<QVariant, QVariant>> pairs() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::pair<QVariant, QVariant>> m_pairs;
};

// An environment for running the program: a private home, data and configuration folder under `root`.
QProcessEnvironment programEnvironment(const QString& root);
QString buildDir();

} // namespace AppTest
