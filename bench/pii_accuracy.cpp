// Recognition and detection quality on rendered screenshots: recall per kind of personal data,
// false items on pages without any, and character accuracy on interface text.
//
//   pii_accuracy [--pages N] [--seed S] [--languages eng+chi_sim] [--dump DIR] [--verbose]
//   pii_accuracy --tag LINE     the names the tagger finds in LINE
//   pii_accuracy --write-screen PATH.png [--seed S]   the OCR benchmark's 1920x1080 screenshot
//   pii_accuracy --score TRUTH.txt READ.txt          character accuracy of a recognised text
//
// Each page is drawn from its seed, so a run is repeatable; a different seed gives pages the
// detector has not been tuned on.

#include "ScreenshotCorpus.h"
#include "editor/PIIDetector.h"
#include "main/CommandRuntime.h"
#include "platform/names/GazetteerNameTagger.h"
#include "platform/tesseract/TesseractRecognizer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMap>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

using namespace mebo;
using Kind = DetectedPII::Kind;

namespace {

struct Tally {
    int expected = 0;
    int found = 0;
    int otherKind = 0; // covered, but reported as another kind
};

bool covers(const QRect& detected, const QRect& truth) {
    const QRect common = detected.intersected(truth);
    return qint64(common.width()) * common.height() * 2 >= qint64(truth.width()) * truth.height();
}

QString kindName(Kind k) {
    return DetectedPII::label(k);
}

} // namespace

int main(int argc, char** argv) {
    runtime::limitOpenMpThreads(argv); // as mebo ocr does
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto value = [&](const QString& name, const QString& fallback) {
        const int i = int(args.indexOf(name));
        return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
    };
    const int pages = value("--pages", "20").toInt();
    const unsigned seed = value("--seed", "1").toUInt();
    const QString languages = value("--languages", "");
    const QString dump = value("--dump", "");
    const bool verbose = args.contains("--verbose");
    if (!dump.isEmpty()) {
        QDir().mkpath(dump);
    }

    auto recognizer = std::make_shared<platform::TesseractRecognizer>(
        languages.isEmpty() ? platform::TesseractRecognizer::installedLanguages() : languages);
    auto tagger = std::make_shared<platform::GazetteerNameTagger>();
    if (const QString path = value("--write-screen", ""); !path.isEmpty()) {
        // The benchmark's text-heavy screenshot, and its text (column by column) beside it.
        const corpus::Page page = corpus::ScreenshotCorpus(seed).textScreen({"DejaVu Sans", 14, false});
        QFile truth(path + ".txt");
        if (!page.image.save(path) || !truth.open(QIODevice::WriteOnly)) {
            return 1;
        }
        truth.write(page.lines.join('\n').toUtf8());
        return 0;
    }
    if (const QString truthPath = value("--score", ""); !truthPath.isEmpty()) {
        // Character accuracy of a recognised text file against the truth, lines in any order:
        // each truth line is compared with the recognised line closest to it.
        QFile truthFile(truthPath);
        QFile readFile(args.value(args.indexOf("--score") + 2));
        if (!truthFile.open(QIODevice::ReadOnly) || !readFile.open(QIODevice::ReadOnly)) {
            return 1;
        }
        const QStringList truth = QString::fromUtf8(truthFile.readAll()).split('\n', Qt::SkipEmptyParts);
        QStringList read = QString::fromUtf8(readFile.readAll()).split('\n', Qt::SkipEmptyParts);
        qint64 chars = 0;
        double wrong = 0;
        for (const QString& line : truth) {
            double best = 0;
            int bestAt = -1;
            for (int i = 0; i < read.size(); ++i) {
                const double a = corpus::characterAccuracy(line, read[i]);
                if (a > best) {
                    best = a;
                    bestAt = i;
                }
            }
            if (bestAt >= 0) {
                read.removeAt(bestAt);
            }
            chars += line.simplified().size();
            wrong += (1.0 - best) * line.simplified().size();
        }
        std::printf("%.2f\n", 100.0 * (1.0 - wrong / std::max<qint64>(1, chars)));
        return 0;
    }
    if (const QString line = value("--tag", ""); !line.isEmpty()) {
        // What the name tagger makes of one line.
        for (const auto& r : tagger->personalNames(line)) {
            std::printf("name: \"%s\"\n", qPrintable(line.mid(r.start, r.length)));
        }
        return 0;
    }
    corpus::ScreenshotCorpus corpus(seed);
    const QStringList families{"DejaVu Sans", "Nimbus Sans", "DejaVu Serif"};
    QTextStream out(stdout);

    QMap<Kind, Tally> tallies;
    int falseOnData = 0;
    int cleanPages = 0;
    int falseOnClean = 0;
    int worstClean = 0;
    double recogniseMs = 0;
    double scanMs = 0;
    int scans = 0;

    auto evaluate = [&](const corpus::Page& page, int index, bool clean) {
        QElapsedTimer timer;
        timer.start();
        QString error;
        const auto lines = recognizer->recognize(page.image, &error);
        recogniseMs += double(timer.nsecsElapsed()) / 1e6;
        if (!lines) {
            out << "recognition failed: " << error << Qt::endl;
            return;
        }
        timer.restart();
        const QList<DetectedPII> found =
            PIIDetector::scan(PIIDetector::linesOf(*lines), page.image.size(), tagger.get());
        scanMs += double(timer.nsecsElapsed()) / 1e6;
        ++scans;
        if (!dump.isEmpty()) {
            page.image.save(QStringLiteral("%1/page-%2.png").arg(dump).arg(index));
        }
        QList<bool> used(found.size(), false);
        for (const corpus::TruthItem& truth : page.items) {
            Tally& t = tallies[truth.kind];
            ++t.expected;
            bool hit = false;
            for (int i = 0; i < found.size(); ++i) {
                if (!used[i] && found[i].kind == truth.kind && covers(found[i].boundingBox, truth.box)) {
                    used[i] = true;
                    hit = true;
                    break;
                }
            }
            t.found += hit ? 1 : 0;
            if (!hit) {
                for (int i = 0; i < found.size(); ++i) {
                    if (!used[i] && covers(found[i].boundingBox, truth.box)) {
                        used[i] = true;
                        ++t.otherKind;
                        if (verbose) {
                            out << "  " << kindName(truth.kind) << " \"" << truth.text << "\" reported as "
                                << kindName(found[i].kind) << Qt::endl;
                        }
                        break;
                    }
                }
            }
            if (!hit && verbose) {
                out << "  missed " << kindName(truth.kind) << " \"" << truth.text << "\" on page " << index
                    << " (" << page.description << ")" << Qt::endl;
            }
        }
        int extra = 0;
        for (int i = 0; i < found.size(); ++i) {
            if (used[i]) {
                continue;
            }
            // A second item inside an expected one (a name inside a form value) is not a false alarm.
            const bool inside =
                std::any_of(page.items.cbegin(), page.items.cend(), [&](const corpus::TruthItem& t) {
                    return t.box.adjusted(-6, -6, 6, 6).contains(found[i].boundingBox.center());
                });
            if (!inside) {
                ++extra;
                if (verbose) {
                    out << "  extra " << kindName(found[i].kind) << " " << found[i].maskedDisplayText
                        << " on page " << index << " (" << page.description << ")" << Qt::endl;
                }
            }
        }
        if (clean) {
            ++cleanPages;
            falseOnClean += extra;
            worstClean = std::max(worstClean, extra);
        } else {
            falseOnData += extra;
        }
        if (verbose) {
            for (const auto& line : *lines) {
                out << "    | " << line.text << Qt::endl;
            }
        }
    };

    for (int i = 0; i < pages; ++i) {
        corpus::PageStyle style;
        style.family = families.at(i % families.size());
        style.pixelSize = 12 + i % 5;
        style.dark = (i / 5) % 2 == 1;
        evaluate(i % 2 == 0 ? corpus.applicationForm(style, true) : corpus.webPage(style, true), i, false);
        evaluate(i % 2 == 0 ? corpus.applicationForm(style, false) : corpus.webPage(style, false), 1000 + i,
                 true);
    }

    // Character accuracy on 14 px interface text, one page per family and appearance.
    double accuracySum = 0;
    double accuracyMin = 1;
    int accuracyPages = 0;
    for (const QString& family : families) {
        for (bool dark : {false, true}) {
            const corpus::Page page = corpus.interfaceText({family, 14, dark}, 24);
            QString error;
            const auto lines = recognizer->recognize(page.image, &error);
            QStringList text;
            for (const RecognizedLine& line :
                 PIIDetector::linesOf(lines.value_or(QList<platform::RecognizedTextLine>{}))) {
                text << line.text;
            }
            const double accuracy = corpus::characterAccuracy(page.lines.join('\n'), text.join('\n'));
            accuracySum += accuracy;
            accuracyMin = std::min(accuracyMin, accuracy);
            ++accuracyPages;
            if (verbose) {
                out << "  accuracy " << QString::number(accuracy * 100, 'f', 2) << " % on "
                    << page.description << Qt::endl;
            }
        }
    }

    // Mixed English and Chinese interface text, read with the first language only and with all.
    QStringList mixedReport;
    if (languages.isEmpty() || languages.contains('+')) {
        auto englishOnly = std::make_shared<platform::TesseractRecognizer>(
            languages.isEmpty() ? QStringLiteral("eng") : languages.section('+', 0, 0));
        for (const bool withAll : {false, true}) {
            double sum = 0;
            double ms = 0;
            int n = 0;
            for (const QString& family : families) {
                const corpus::Page page = corpus.mixedText({family, 14, false}, 16);
                QElapsedTimer timer;
                timer.start();
                QString error;
                const auto lines = (withAll ? recognizer : englishOnly)->recognize(page.image, &error);
                ms += double(timer.nsecsElapsed()) / 1e6;
                QStringList text;
                for (const RecognizedLine& line :
                     PIIDetector::linesOf(lines.value_or(QList<platform::RecognizedTextLine>{}))) {
                    text << line.text;
                }
                // CJK text carries no spaces between characters; compare without them.
                auto bare = [](QString t) { return t.remove(' '); };
                sum += corpus::characterAccuracy(bare(page.lines.join('\n')), bare(text.join('\n')));
                ++n;
                if (verbose) {
                    out << "  mixed page (" << (withAll ? "all languages" : "first language")
                        << "):" << Qt::endl;
                    for (const QString& t : text) {
                        out << "    | " << t << Qt::endl;
                    }
                }
            }
            mixedReport << QStringLiteral("mixed English and Chinese text, %1: accuracy %2 %, %3 ms per page")
                               .arg(withAll ? QStringLiteral("all languages")
                                            : QStringLiteral("first language only"))
                               .arg(100.0 * sum / n, 0, 'f', 2)
                               .arg(ms / n, 0, 'f', 0);
        }
    }

    out << "pages: " << pages << " with personal data, " << cleanPages << " without (seed " << seed << ", "
        << (languages.isEmpty() ? QStringLiteral("installed languages") : languages) << ")" << Qt::endl;
    int structuredExpected = 0;
    int structuredFound = 0;
    for (auto it = tallies.cbegin(); it != tallies.cend(); ++it) {
        out << QStringLiteral("  %1 %2 of %3 (%4 %)%5")
                   .arg(kindName(it.key()), -13)
                   .arg(it->found, 3)
                   .arg(it->expected, 3)
                   .arg(100.0 * it->found / std::max(1, it->expected), 0, 'f', 1)
                   .arg(it->otherKind ? QStringLiteral(", %1 more covered as another kind").arg(it->otherKind)
                                      : QString())
            << Qt::endl;
        if (it.key() != Kind::name) {
            structuredExpected += it->expected;
            structuredFound += it->found;
        }
    }
    out << QStringLiteral("structured recall: %1 %  names recall: %2 %")
               .arg(100.0 * structuredFound / std::max(1, structuredExpected), 0, 'f', 1)
               .arg(100.0 * tallies[Kind::name].found / std::max(1, tallies[Kind::name].expected), 0, 'f', 1)
        << Qt::endl;
    out << QStringLiteral("false items: %1 on clean pages (at most %2 on one), %3 on pages with data")
               .arg(falseOnClean)
               .arg(worstClean)
               .arg(falseOnData)
        << Qt::endl;
    out << QStringLiteral("character accuracy at 14 px: mean %1 %, lowest %2 %")
               .arg(100.0 * accuracySum / std::max(1, accuracyPages), 0, 'f', 2)
               .arg(100.0 * accuracyMin, 0, 'f', 2)
        << Qt::endl;
    for (const QString& line : mixedReport) {
        out << line << Qt::endl;
    }
    out << QStringLiteral("time per page: recognition %1 ms, detection on top %2 ms")
               .arg(recogniseMs / std::max(1, scans), 0, 'f', 0)
               .arg(scanMs / std::max(1, scans), 0, 'f', 2)
        << Qt::endl;
    return 0;
}
