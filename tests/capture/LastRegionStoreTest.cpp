#include "capture/LastRegionStore.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

using namespace mebo;

TEST(LastRegionStore, RemembersOnlyRectanglesAtLeastEightByEight) {
    test::FakeDefaultsStore defaults;
    LastRegionStore store(defaults);
    EXPECT_FALSE(store.remember(RegionKind::area, QRect(10, 20, 7, 200)));
    EXPECT_FALSE(store.remember(RegionKind::area, QRect(10, 20, 200, 7)));
    EXPECT_FALSE(defaults.hasUserValue(QStringLiteral("capture.lastRegion.area")));
    EXPECT_FALSE(store.recall(RegionKind::area));

    EXPECT_TRUE(store.remember(RegionKind::area, QRect(10, 20, 8, 8)));
    EXPECT_EQ(defaults.object(QStringLiteral("capture.lastRegion.area")),
              (QVariantList{10.0, 20.0, 8.0, 8.0}));
    EXPECT_EQ(store.recall(RegionKind::area), QRect(10, 20, 8, 8));
    // A too small one later leaves the remembered one alone.
    EXPECT_FALSE(store.remember(RegionKind::area, QRect(0, 0, 7, 200)));
    EXPECT_EQ(store.recall(RegionKind::area), QRect(10, 20, 8, 8));
}

TEST(LastRegionStore, MalformedValuesAreIgnored) {
    test::FakeDefaultsStore defaults;
    LastRegionStore store(defaults);
    const QString key = QStringLiteral("capture.lastRegion.area");
    for (const QVariant& bad : {QVariant(QVariantList{1, 2, 3}), QVariant(QStringLiteral("1,2,3,4")),
                                QVariant(QVariantList{1, 2, QStringLiteral("wide"), 4}),
                                QVariant(QVariantList{1, 2, 3, 4}), QVariant(42)}) {
        defaults.set(key, bad);
        EXPECT_FALSE(store.recall(RegionKind::area)) << bad.toString().toStdString();
    }
    // Numbers written as integers by someone else still read back.
    defaults.set(key, QVariantList{qlonglong(-300), qlonglong(40), qlonglong(120), qlonglong(90)});
    EXPECT_EQ(store.recall(RegionKind::area), QRect(-300, 40, 120, 90));
}
