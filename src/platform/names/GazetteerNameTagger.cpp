#include "platform/names/GazetteerNameTagger.h"

#include <QStringList>
#include <memory>
#include <unicode/brkiter.h>
#include <unicode/unistr.h>

namespace mebo::platform {

namespace names {
extern const char* const kFirstNames[];
extern const int kFirstNamesCount;
extern const char* const kSurnames[];
extern const int kSurnamesCount;
extern const char* const kCommonWords[];
extern const int kCommonWordsCount;
} // namespace names

namespace {

QSet<QString> setOf(const char* const* words, int count) {
    QSet<QString> out;
    out.reserve(count);
    for (int i = 0; i < count; ++i) {
        out.insert(QString::fromLatin1(words[i]));
    }
    return out;
}

const QSet<QString>& titles() {
    static const QSet<QString> list{QStringLiteral("mr"),   QStringLiteral("mrs"),  QStringLiteral("ms"),
                                    QStringLiteral("miss"), QStringLiteral("dr"),   QStringLiteral("prof"),
                                    QStringLiteral("sir"),  QStringLiteral("madam")};
    return list;
}

struct Word {
    int start = 0;
    int end = 0;
    QString text;
};

// "Alice", "O'Neil", "McDonald": an upper-case letter, then at least one lower-case letter.
bool capitalised(const QString& w) {
    return w.size() >= 2 && w.at(0).isUpper() &&
           std::any_of(w.cbegin() + 1, w.cend(), [](QChar c) { return c.isLower(); });
}

QList<Word> wordsOf(const QString& line) {
    QList<Word> out;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createWordInstance(icu::Locale::getUS(), status));
    if (U_FAILURE(status)) {
        return out;
    }
    const icu::UnicodeString text(reinterpret_cast<const UChar*>(line.utf16()), int32_t(line.size()));
    it->setText(text);
    int32_t start = it->first();
    for (int32_t end = it->next(); end != icu::BreakIterator::DONE; start = end, end = it->next()) {
        const int32_t rule = it->getRuleStatus();
        if (rule >= UBRK_WORD_LETTER && rule < UBRK_WORD_LETTER_LIMIT) {
            out.append({int(start), int(end), line.mid(start, end - start)});
        }
    }
    return out;
}

// Words of one run are separated by nothing but a single space (a comma ends a name).
bool adjacent(const QString& line, const Word& a, const Word& b) {
    return b.start - a.end == 1 && line.at(a.end) == QLatin1Char(' ');
}

} // namespace

GazetteerNameTagger::GazetteerNameTagger()
    : first_(setOf(names::kFirstNames, names::kFirstNamesCount)),
      surnames_(setOf(names::kSurnames, names::kSurnamesCount)),
      common_(setOf(names::kCommonWords, names::kCommonWordsCount)) {}

QList<NameTagger::Range> GazetteerNameTagger::personalNames(const QString& line) const {
    QList<Range> out;
    const QList<Word> words = wordsOf(line);
    for (int i = 0; i < words.size();) {
        if (!capitalised(words[i].text)) {
            ++i;
            continue;
        }
        const bool afterTitle = i > 0 && titles().contains(words[i - 1].text.toLower());
        if (titles().contains(words[i].text.toLower())) {
            ++i; // "Dr", "Mr": the name, if any, starts at the next word
            continue;
        }
        // The run of capitalised words starting here.
        int last = i;
        while (last + 1 < words.size() && capitalised(words[last + 1].text) &&
               adjacent(line, words[last], words[last + 1])) {
            ++last;
        }
        const int runEnd = last;
        // "Hello Jennifer Collins", "Account Manager Peter Johnson": a run whose first word is no
        // first name starts at its first first name, if it has one; words after the last known
        // name ("Maria Garcia Today") go.
        int first = i;
        if (!afterTitle) {
            auto isFirst = [this](const Word& w) { return first_.contains(w.text.toLower()); };
            if (!isFirst(words[first])) {
                for (int k = first + 1; k <= last; ++k) {
                    // A known surname at the end ("Xiomar Williams") is the surname, though
                    // "Williams" is a first name too.
                    if (isFirst(words[k]) && (k < last || !surnames_.contains(words[k].text.toLower()))) {
                        first = k;
                        break;
                    }
                }
            }
            // A trailing word stays when it is a known name or no English word at all ("Nancy
            // Petrova"); "Maria Garcia Today" loses "Today".
            while (last > first && !isFirst(words[last]) && !surnames_.contains(words[last].text.toLower()) &&
                   common_.contains(words[last].text.toLower())) {
                --last;
            }
        }
        first = std::max(first, last - 2); // a name has at most three words
        const QString firstWord = words[first].text.toLower();
        const int count = last - first + 1;
        const bool endsInSurname = count >= 2 && surnames_.contains(words[last].text.toLower());
        bool name = false;
        if (afterTitle) {
            name = true;
        } else if (first_.contains(firstWord)) {
            // "Will Save" is a button, "Will Turner" a person: a first name that is also a common
            // word needs a surname after it.
            // A word that is no English word after it reads as a surname ("Peter Lindqvist").
            const bool endsInProperNoun = count >= 2 && !common_.contains(words[last].text.toLower());
            name = !common_.contains(firstWord) || endsInSurname || endsInProperNoun;
        } else {
            name = endsInSurname;
        }
        if (name) {
            out.append({words[first].start, words[last].end - words[first].start});
        }
        i = runEnd + 1;
    }
    return out;
}

} // namespace mebo::platform
