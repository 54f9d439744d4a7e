#include "services/VersionComparator.h"

#include <QStringList>

namespace mebo {

namespace {

enum class Run { number, word, separator };

Run runOf(QChar c) {
    if (c.isDigit()) {
        return Run::number;
    }
    if (c.isLetter() || c.isSpace()) {
        return Run::word;
    }
    return Run::separator;
}

QStringList splitRuns(const QString& version) {
    QStringList parts;
    QString current;
    for (const QChar c : version) {
        // Separators stand alone; digits and letters gather into runs.
        if (!current.isEmpty() && (runOf(c) != runOf(current.back()) || runOf(c) == Run::separator)) {
            parts << current;
            current.clear();
        }
        current += c;
    }
    if (!current.isEmpty()) {
        parts << current;
    }
    return parts;
}

int compareNumbers(const QString& a, const QString& b) {
    // Leading zeros do not count, and runs may be longer than any integer type.
    QString x = a, y = b;
    while (x.size() > 1 && x.front() == QLatin1Char('0')) {
        x.remove(0, 1);
    }
    while (y.size() > 1 && y.front() == QLatin1Char('0')) {
        y.remove(0, 1);
    }
    if (x.size() != y.size()) {
        return x.size() < y.size() ? -1 : 1;
    }
    return x.compare(y);
}

} // namespace

int VersionComparator::compare(const QString& a, const QString& b) {
    const QStringList left = splitRuns(a.trimmed());
    const QStringList right = splitRuns(b.trimmed());
    const qsizetype common = std::min(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        const Run ra = runOf(left[i].front());
        const Run rb = runOf(right[i].front());
        if (ra == rb) {
            int c = 0;
            if (ra == Run::number) {
                c = compareNumbers(left[i], right[i]);
            } else if (ra == Run::word) {
                c = left[i].compare(right[i]);
            }
            if (c != 0) {
                return c < 0 ? -1 : 1;
            }
            continue;
        }
        // Different kinds of run: a word (pre-release tag) is older than anything else, and a
        // number is newer than a separator.
        if (ra == Run::word) {
            return -1;
        }
        if (rb == Run::word) {
            return 1;
        }
        return ra == Run::number ? 1 : -1;
    }
    if (left.size() == right.size()) {
        return 0;
    }
    // One continues: "1.0" against "1.0.1" (newer) or "1.0b" (a pre-release, older).
    const bool leftLonger = left.size() > right.size();
    const QStringList& longer = leftLonger ? left : right;
    qsizetype next = common;
    if (runOf(longer[next].front()) == Run::separator && next + 1 < longer.size()) {
        ++next;
    }
    const bool longerIsNewer = runOf(longer[next].front()) != Run::word;
    return (leftLonger == longerIsNewer) ? 1 : -1;
}

} // namespace mebo
