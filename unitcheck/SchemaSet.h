#pragma once

#include <map>
#include <memory>
#include <string>

#include <QString>
#include <QStringList>

#include <rapidjson/schema.h>

// The JSON Schemas of the link's bodies (docs/schemas), by name: "<Type>" for what a unit sends,
// "<Type>.request" for what the application sends, and "announcement", "query", "HELLO".
class SchemaSet
{
public:
    // The schemas built into the program (the files of docs/schemas at build time).
    static QString builtInFolder();

    // Every "*.schema.json" of the folder; false with the reason when none or one cannot be read.
    bool load(const QString& folder, QString& error);

    bool has(const QString& name) const { return m_schemas.count(name) > 0; }
    QStringList names() const;

    // Empty when the body is valid, otherwise what failed and where ("not JSON: ..." or the schema's
    // keyword and the body's member).
    QString validate(const QString& name, const std::string& body) const;

private:
    std::map<QString, std::unique_ptr<rapidjson::SchemaDocument>> m_schemas;
};
