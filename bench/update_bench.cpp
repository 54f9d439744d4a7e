// The costs of trusting a download: the Ed25519 check over a whole release archive, unpacking
// it, and the signature check of the companion's application folder.
#include "platform/sodium/SodiumCodeSigning.h"
#include "services/ChildProcess.h"
#include "services/CodeSignature.h"
#include "services/PublisherKey.h"
#include "services/UpdateArchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace mebo;

namespace {

const platform::sodium::KeyPair& keys() {
    static const auto k = platform::sodium::generateKeyPair();
    return k;
}

QByteArray randomBytes(qsizetype size) {
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator rng(42);
    rng.fillRange(reinterpret_cast<quint32*>(data.data()), size / 4);
    return data;
}

void writeFile(const QString& path, const QByteArray& data, bool executable = false) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(data);
    if (executable) {
        f.setPermissions(f.permissions() | QFile::ExeOwner);
    }
}

// Archive size in MB: the signature check maps the file and passes over it once.
void BM_VerifyArchive(benchmark::State& state) {
    QTemporaryDir dir;
    const QByteArray data = randomBytes(state.range(0) << 20);
    const QString path = dir.filePath("release.tar.gz");
    writeFile(path, data);
    AppcastItem item;
    item.shortVersion = "9.9";
    item.enclosureLength = data.size();
    item.edSignature = QString::fromLatin1(platform::sodium::sign(data, keys().secretKey).toBase64());
    const auto key = PublisherKey::fromBytes(keys().publicKey);
    platform::SodiumCodeSigning signing;
    for (auto _ : state) {
        const QString refused = UpdateArchive::verify(path, item, &*key, signing);
        if (!refused.isEmpty()) {
            state.SkipWithError(refused.toUtf8().constData());
        }
    }
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_VerifyArchive)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond);

// Unpacking an install tree of `range` MB (a program that does not compress, like a binary).
void BM_UnpackRelease(benchmark::State& state) {
    QTemporaryDir dir;
    writeFile(dir.filePath("src/mebo-9.9/bin/mebo"), randomBytes(state.range(0) << 20), true);
    QDir().mkpath(dir.filePath("src/mebo-9.9/lib/mebo"));
    const QString archive = dir.filePath("release.tar.gz");
    ChildProcess::run("/bin/tar", {"-czf", archive, "-C", dir.filePath("src"), "mebo-9.9"}, 600000);
    int round = 0;
    for (auto _ : state) {
        const QString stage = dir.filePath(QStringLiteral("stage%1").arg(round++));
        QDir().mkpath(stage);
        if (!UpdateArchive::unpack(archive, stage)) {
            state.SkipWithError("unpack failed");
        }
        state.PauseTiming();
        QDir(stage).removeRecursively();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UnpackRelease)->Arg(8)->Unit(benchmark::kMillisecond);

// The companion's folder: a program of `range` KB and its identity file, signed and checked.
void BM_CheckApplicationSignature(benchmark::State& state) {
    QTemporaryDir dir;
    const QString app = dir.filePath("Tasu.app");
    writeFile(app + "/Contents/bin/tasu", randomBytes(state.range(0) << 10), true);
    writeFile(app + "/Contents/Info.plist", "<plist><dict/></plist>");
    QString error;
    const QByteArray manifest = CodeSignature::buildManifest(app, &error);
    writeFile(app + "/" + CodeSignature::manifestPath(), manifest);
    writeFile(
        app + "/" + CodeSignature::signaturePath(),
        CodeSignature::signatureFile(platform::sodium::sign(manifest, keys().secretKey), keys().publicKey));
    const auto key = PublisherKey::fromBytes(keys().publicKey);
    platform::SodiumCodeSigning signing;
    for (auto _ : state) {
        if (CodeSignature::check(app, key->keyId(), &*key, signing) != CodeSignature::valid) {
            state.SkipWithError("signature check failed");
        }
    }
}
BENCHMARK(BM_CheckApplicationSignature)->Arg(512)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
