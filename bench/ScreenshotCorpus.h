#pragma once

#include "editor/DetectedPII.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <random>

namespace mebo::corpus {

// A piece of personal data drawn on a page, where it was drawn, and the kind the detector should
// report for it (a payment card failing the Luhn check is a bank account, for instance).
struct TruthItem {
    DetectedPII::Kind kind;
    QString text;
    QRect box;
};

// A rendered screenshot with what is on it: the text lines in reading order and the personal
// data.
struct Page {
    QImage image;
    QStringList lines;
    QList<TruthItem> items;
    QString description;
};

struct PageStyle {
    QString family = QStringLiteral("DejaVu Sans");
    int pixelSize = 14;
    bool dark = false;
};

// Screenshots drawn like real ones: an application window with a sidebar and a form, a web page
// with a header and paragraphs, plain interface text. Every page is fully determined by its seed.
class ScreenshotCorpus {
public:
    explicit ScreenshotCorpus(unsigned seed) : rng_(seed) {}

    // A contact or account form; `withData` false gives the same layout with harmless values.
    Page applicationForm(const PageStyle& style, bool withData);
    // An article or e-mail in a browser, the data inside sentences.
    Page webPage(const PageStyle& style, bool withData);
    // Settings-like interface text in one column, no personal data: for character accuracy.
    Page interfaceText(const PageStyle& style, int lines);
    // A 1920 × 1080 text-heavy screen: three columns of interface text and sentences, a few of
    // them with personal data.
    Page textScreen(const PageStyle& style);
    // The same with every other line in Chinese (simplified or traditional, some with English
    // words inside), drawn with a CJK font.
    Page mixedText(const PageStyle& style, int lines);

    // Values, each of the kind the detector should report.
    QString email();
    QString phone(); // several national formats
    QString validCard();
    QString invalidCard(); // 16 digits failing Luhn: a bank account
    QString ssn();
    QString validIdCard();
    QString invalidIdCard(); // 18 digits with a wrong check digit, failing Luhn: a bank account
    QString bankAccount();
    QString fullName();

    // The Part's check digits, computed independently of the detector.
    static bool luhn(const QString& digits);
    static QChar idCheckCharacter(const QString& first17);

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    QString digits(int n);
    QString anyPhone();
    template <typename T> const T& any(const QList<T>& list) { return list.at(pick(int(list.size()))); }

    std::mt19937 rng_;
};

// Character accuracy: 1 − (edit distance / truth length) between two texts, with runs of white
// space counted as one space.
double characterAccuracy(const QString& truth, const QString& recognised);

} // namespace mebo::corpus
