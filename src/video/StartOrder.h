#pragma once

#include <QList>
#include <algorithm>

namespace mebo {

// Sorts region-like values by start time, in place. Lists already in order (the common case: the
// timeline keeps them so) are only checked. Equal starts are ordered by `tie`, so the result does
// not depend on the sorting algorithm.
template <typename T, typename Start, typename Tie> void sortByStart(QList<T>& list, Start start, Tie tie) {
    auto before = [&](const T& a, const T& b) {
        const double sa = start(a);
        const double sb = start(b);
        return sa < sb || (sa == sb && tie(a, b));
    };
    if (!std::is_sorted(list.cbegin(), list.cend(), before)) {
        std::sort(list.begin(), list.end(), before);
    }
}

// Regions with startSec, endSec and id: equal starts put the shorter first, then the smaller id.
template <typename T> void sortByStartSec(QList<T>& list) {
    sortByStart(
        list, [](const T& r) { return r.startSec; },
        [](const T& a, const T& b) { return a.endSec < b.endSec || (a.endSec == b.endSec && a.id < b.id); });
}

} // namespace mebo
