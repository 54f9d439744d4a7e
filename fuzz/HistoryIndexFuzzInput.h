#pragma once

#include "library/HistoryIndexFile.h"

#include <QByteArray>
#include <QSet>
#include <cstddef>
#include <cstdint>
#include <string>

namespace mebo::fuzz {

// One fuzz input: a library's "index.json". Decoding may refuse anything, but what it accepts must
// encode and decode again to the same entries and the same bytes, and the three-way merge must
// leave a list alone when neither side changed it. Answers what broke, or an empty string.
inline std::string runHistoryIndexFuzzInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const auto entries = HistoryIndexFile::decode(bytes, &error);
    if (!entries) {
        return error.isEmpty() ? "refused without a reason" : std::string();
    }
    const QByteArray encoded = HistoryIndexFile::encode(*entries);
    const auto back = HistoryIndexFile::decode(encoded, &error);
    if (!back) {
        return "written index does not read back: " + error.toStdString();
    }
    if (*back != *entries) {
        return "entries changed on a round trip";
    }
    if (HistoryIndexFile::encode(*back) != encoded) {
        return "index bytes changed on the second round trip";
    }
    QSet<QString> ids;
    for (const HistoryEntry& e : *entries) {
        ids.insert(e.id);
    }
    if (ids.size() == entries->size()) {
        if (HistoryIndexFile::merge(*entries, *entries, *entries) != *entries) {
            return "a merge with no change on either side changed the list";
        }
        if (!HistoryIndexFile::merge(*entries, *entries, {}).isEmpty()) {
            return "entries removed on the other side came back";
        }
    }
    return {};
}

} // namespace mebo::fuzz
