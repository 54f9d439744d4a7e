#pragma once

#include "platform/NameTagger.h"

#include <QSet>
#include <QString>

namespace mebo::platform {

// Personal names found offline: words from ICU's word breaks, runs of up to three capitalised
// words, checked against census lists of first names and surnames and an English word list. A run
// is a name when it starts with a known first name (alone only when that is no common English
// word; followed by a known surname or by a word that is no English word, "Nancy Petrova"), when
// it is two or three words ending in a known surname, or when it follows a title ("Mr", "Dr" ...).
// Capitalised words around a name ("Hello", "Today") are left out. Thread-safe after construction.
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
