#pragma once

#include <QString>

namespace mebo {

// Orders version strings the way appcast updaters do: split into runs of digits, runs of
// letters and single separators, compared run by run (numbers by value, words by text). A word
// where the other has a number marks a pre-release ("1.0b1" < "1.0" < "1.0.1").
class VersionComparator {
public:
    // Negative when `a` is older than `b`, zero when equal, positive when newer.
    static int compare(const QString& a, const QString& b);
};

} // namespace mebo
