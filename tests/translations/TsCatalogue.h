#pragma once
// Reads a Qt Linguist source catalogue (.ts): its language and its messages keyed by context and source.
#include <QFile>
#include <QMap>
#include <QPair>
#include <QString>
#include <QXmlStreamReader>

struct TsMessage
{
    QString translation;
    QString type; // "unfinished", "vanished", "obsolete" or empty when done
};

struct TsCatalogue
{
    QString language;
    QMap<QPair<QString, QString>, TsMessage> messages; // (context, source) -> translation
    QString error;

    static TsCatalogue read(const QString& path)
    {
        TsCatalogue ts;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            ts.error = "cannot open " + path;
            return ts;
        }
        QXmlStreamReader xml(&file);
        QString context, source;
        TsMessage message;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            const auto name = xml.name();
            if (name == QLatin1String("TS")) {
                ts.language = xml.attributes().value("language").toString();
            } else if (name == QLatin1String("context")) {
                context.clear();
            } else if (name == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (name == QLatin1String("message")) {
                source.clear();
                message = {};
            } else if (name == QLatin1String("source")) {
                source = xml.readElementText();
            } else if (name == QLatin1String("translation")) {
                message.type = xml.attributes().value("type").toString();
                message.translation = xml.readElementText();
                ts.messages.insert({context, source}, message);
            }
        }
        if (xml.hasError())
            ts.error = path + ": " + xml.errorString();
        return ts;
    }

    QMap<QString, int> countsPerContext() const
    {
        QMap<QString, int> counts;
        for (auto it = messages.cbegin(); it != messages.cend(); ++it)
            ++counts[it.key().first];
        return counts;
    }
};
