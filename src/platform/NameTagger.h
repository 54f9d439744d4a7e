#pragma once

#include <QList>
#include <QString>

namespace mebo::platform {

// Marks personal names in a line of text (the natural-language tagger's name scheme): word by
// word, punctuation and whitespace left out, the words of one name joined into one range.
// Pure and thread-safe: the detector calls it off the main thread.
class NameTagger {
public:
    struct Range {
        int start = 0;  // UTF-16 index into the line
        int length = 0; // UTF-16 code units
    };

    virtual ~NameTagger() = default;
    virtual QList<Range> personalNames(const QString& line) const = 0;
};

} // namespace mebo::platform
