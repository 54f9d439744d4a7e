#include "app/BuildFeatures.h"

namespace mebo {

namespace {

struct Row {
    Feature feature;
    bool built; // set to true in the change that brings the feature
    const char* name;
};

constexpr Row kRows[] = {
    {Feature::scrollCapture, true, "Scrolling capture"},
    {Feature::screenRecording, true, "Screen recording"},
    {Feature::videoEditing, true, "Video editing"},
    {Feature::updateCheck, true, "Checking for updates"},
};

const Row* rowOf(Feature feature) {
    for (const Row& r : kRows) {
        if (r.feature == feature) {
            return &r;
        }
    }
    return nullptr;
}

} // namespace

bool BuildFeatures::has(Feature feature) {
    const Row* r = rowOf(feature);
    return r && r->built;
}

QString BuildFeatures::unavailableText(Feature feature) {
    const Row* r = rowOf(feature);
    return QStringLiteral("%1 is not available in this build.")
        .arg(QString::fromLatin1(r ? r->name : "This"));
}

} // namespace mebo
