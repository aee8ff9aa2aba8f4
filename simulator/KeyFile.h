#pragma once

#include <QString>

namespace Ulmar {
namespace Simulator {

// The unit's CURVE key pair, kept in a file readable by its owner only.
// Format: two lines "public=<40 Z85 characters>" and "secret=<40 Z85 characters>".
class KeyFile
{
public:
    QString publicKey;
    QString secretKey;

    // Reads the pair from path, or creates a new pair and writes it there when the file does not exist.
    // A file that exists but is unreadable or malformed is an error, never silently replaced: the
    // applications that know the unit by its public key would no longer recognise it.
    static bool loadOrCreate(const QString& path, KeyFile* out, QString* error);
    static bool load(const QString& path, KeyFile* out, QString* error);
    static bool isZ85Key(const QString& key);
};

} // namespace Simulator
} // namespace Ulmar
