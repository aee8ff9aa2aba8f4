#include "SchemaSet.h"

#include <cstring>

#include <QDir>
#include <QFile>

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/stringbuffer.h>

static void initSchemaResources()
{
    Q_INIT_RESOURCE(unitcheck_schemas);
}

QString SchemaSet::builtInFolder()
{
    initSchemaResources();
    return QStringLiteral(":/schemas");
}

bool SchemaSet::load(const QString& folder, QString& error)
{
    const QStringList files = QDir(folder).entryList({"*.schema.json"}, QDir::Files);
    if (files.isEmpty()) {
        error = "no schema in " + folder;
        return false;
    }
    for (const QString& file : files) {
        QFile f(folder + "/" + file);
        if (!f.open(QIODevice::ReadOnly)) {
            error = "cannot read " + file;
            return false;
        }
        const QByteArray text = f.readAll();
        rapidjson::Document doc;
        doc.Parse(text.constData(), size_t(text.size()));
        if (doc.HasParseError() || !doc.IsObject()) {
            error = file + ": not a JSON object";
            return false;
        }
        const QString name = file.chopped(int(std::strlen(".schema.json")));
        m_schemas[name] = std::make_unique<rapidjson::SchemaDocument>(doc);
    }
    return true;
}

QStringList SchemaSet::names() const
{
    QStringList all;
    for (const auto& s : m_schemas)
        all << s.first;
    return all;
}

QString SchemaSet::validate(const QString& name, const std::string& body) const
{
    const auto schema = m_schemas.find(name);
    if (schema == m_schemas.end())
        return "no schema " + name;
    rapidjson::Document doc;
    doc.Parse(body.data(), body.size());
    if (doc.HasParseError())
        return QString("not JSON: %1").arg(rapidjson::GetParseError_En(doc.GetParseError()));
    rapidjson::SchemaValidator validator(*schema->second);
    if (doc.Accept(validator))
        return QString();
    rapidjson::StringBuffer schemaPath, bodyPath;
    validator.GetInvalidSchemaPointer().StringifyUriFragment(schemaPath);
    validator.GetInvalidDocumentPointer().StringifyUriFragment(bodyPath);
    QString where = QString::fromUtf8(bodyPath.GetString());
    if (where == "#")
        where = "the body";
    return QString("%1 fails \"%2\" of schema %3")
        .arg(where, QString::fromUtf8(validator.GetInvalidSchemaKeyword()), schemaPath.GetString());
}
