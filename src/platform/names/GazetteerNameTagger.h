#pragma once

#include "platform/NameTagger.h"

#include <QSet>
#include <QString>

namespace mebo::platform {

// Personal names found offline: words from ICU's word breaks, runs of up to three capitalised
// words, checked against census lists of first names and surnames. A run is a name when it
// starts with a known first name (a lone first name only when it is not also a common English
// word), when it is two or three words ending in a known surname, or when it follows a title
// ("Mr", "Dr" ...). Thread-safe after construction.
class GazetteerNameTagger : public NameTagger {
public:
    GazetteerNameTagger();
    QList<Range> personalNames(const QString& line) const override;

    bool isFirstName(const QString& word) const { return first_.contains(word.toLower()); }
    bool isSurname(const QString& word) const { return surnames_.contains(word.toLower()); }

private:
    QSet<QString> first_;
    QSet<QString> surnames_;
    QSet<QString> common_;
};

} // namespace mebo::platform
