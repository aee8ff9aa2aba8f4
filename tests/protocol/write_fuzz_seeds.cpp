// Writes the fuzzers' seed corpora (fuzz/corpus/<harness>/) from real traffic between the application and the
// simulated unit. Usage: write_fuzz_seeds <corpus folder>

#include <cstdio>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>

#include "FuzzFormats.h"
#include "ProtocolCapture.h"

namespace {

// Seeds stay small: a seed is a starting point, not a load test.
constexpr size_t maxSeedBytes = 32 * 1024;

int written = 0;

void write(const QString& dir, const std::string& seed)
{
    if (seed.empty() || seed.size() > maxSeedBytes)
        return;
    QDir().mkpath(dir);
    const QByteArray bytes(seed.data(), int(seed.size()));
    // Named by content, as libFuzzer names what it finds: the same input is written once.
    QFile file(dir + "/" + QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
    if (file.exists())
        return;
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
        ++written;
}

std::string frames(const CapturedMessage& m)
{
    FuzzFormat::Frames f;
    f.routed = m.direction == CapturedMessage::ToUnit; // the unit's ROUTER sees the peer's routing id first
    if (f.routed)
        f.frames.push_back(std::string("\0\x80\x00\x00\x29", 5));
    f.frames.insert(f.frames.end(), {m.type, "1", m.text, m.body});
    return FuzzFormat::joinFrames(f);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_fuzz_seeds <corpus folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    Capture capture;
    QString error;
    if (!captureTraffic(capture, error)) {
        std::fprintf(stderr, "write_fuzz_seeds: %s\n", qPrintable(error));
        return 1;
    }
    write(root + "/wire", frames(capture.hello));
    for (const CapturedMessage& m : capture.messages) {
        write(root + "/wire", frames(m));
        if (m.body.empty() || m.body[0] != '{')
            continue; // posters are bytes, not bodies to decode
        write(root + "/body", m.body);
        if (m.direction == CapturedMessage::ToApp)
            write(root + "/handlers", FuzzFormat::typedInput(m.type, m.body));
        else
            write(root + "/simulator", FuzzFormat::typedInput(m.type, m.body));
    }
    for (const auto& d : capture.announcements)
        write(root + "/discovery", d);
    for (const auto& d : capture.queries)
        write(root + "/discovery", d);
    std::printf("write_fuzz_seeds: %d new seeds under %s\n", written, qPrintable(root));
    return 0;
}
