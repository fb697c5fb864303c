// Versions as an upgrade and a downgrade are told apart.
#include <gtest/gtest.h>

#include "core/VersionOrder.h"

TEST(VersionOrder, DottedNumbersCompareByNumberAndOtherTextOnlyAsText) {
    const struct {
        const char* a;
        const char* b;
        VersionOrder order;
    } cases[] = {
        {"1.2.10", "1.2.9", VersionOrder::Newer},
        {"1.2.9", "1.2.10", VersionOrder::Older},
        {"2.0", "10.0", VersionOrder::Older},
        {"1.2", "1.2.0", VersionOrder::Same},
        {"1.2.0.1", "1.2", VersionOrder::Newer},
        {"01.002", "1.2", VersionOrder::Same},
        {"1.0", "1.00000000000000000000001", VersionOrder::Older},  // past any integer type
        {"99999999999999999999", "100000000000000000000", VersionOrder::Older},
        {"2.0", "2.0", VersionOrder::Same},
        // Not dotted numbers: text, and only the very same text is the same.
        {"2.0 beta", "2.0 beta", VersionOrder::Same},
        {"2.0 beta", "2.0 Beta", VersionOrder::Newer},
        {"1.2.", "1.2", VersionOrder::Newer},
        {"1..2", "1.2", VersionOrder::Older},
        {"v2", "10", VersionOrder::Newer},
        {"", "1.0", VersionOrder::Older},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compareVersions(c.a, c.b), c.order) << c.a << " against " << c.b;
        const VersionOrder back = c.order == VersionOrder::Same    ? VersionOrder::Same
                                  : c.order == VersionOrder::Newer ? VersionOrder::Older
                                                                   : VersionOrder::Newer;
        EXPECT_EQ(compareVersions(c.b, c.a), back) << c.b << " against " << c.a;
    }
}
