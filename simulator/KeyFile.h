#pragma once

#include <QString>

namespace Ulmar {
namespace Simulator {

// The unit's CURVE key pair and its unit id, kept in a file readable by its owner only.
// Format: lines "public=<40 Z85 characters>", "secret=<40 Z85 characters>" and "id=<unit id>" (files of
// older versions have no id line: one is added when the file is next loaded).
class KeyFile
{
public:
    QString publicKey;
    QString secretKey;
    QString unitId;

    // Reads the pair from path, or creates a new pair and writes it there when the file does not exist.
    // A file that exists but is unreadable or malformed is an error, never silently replaced: the
    // applications that know the unit by its public key would no longer recognise it.
    static bool loadOrCreate(const QString& path, KeyFile* out, QString* error);
    static bool load(const QString& path, KeyFile* out, QString* error);
    // Replaces the key pair of the file at path (created when missing) with a new one; the unit id stays.
    static bool renew(const QString& path, KeyFile* out, QString* error);
    static bool isZ85Key(const QString& key);
    // A fresh pair (and id, when `keys` has none) in `keys`; false when no pair could be made.
    static bool generate(KeyFile* keys);

private:
    static bool save(const QString& path, const KeyFile& keys, QString* error);
};

} // namespace Simulator
} // namespace Ulmar
