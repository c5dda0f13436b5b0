#include "prefs/FullWidthText.h"

#include <gtest/gtest.h>

using namespace orb;

namespace {

TEST(FullWidthText, MissingFullWidthFormsAreShownAsOrdinaryCharacters)
{
    const auto none = [](char32_t) { return false; };
    const auto all = [](char32_t) { return true; };
    const auto noClosing = [](char32_t c) { return c != U'\uFF09'; };
    struct Case {
        const char *name;
        QString text;
        std::function<bool(char32_t)> renderable;
        QString shown;
    };
    const Case cases[] = {
        {"brackets after a word", QStringLiteral("KB/s\uFF08Bytes\uFF09"), none, QStringLiteral("KB/s (Bytes)")},
        {"the font has them", QStringLiteral("KB/s\uFF08Bytes\uFF09"), all, QStringLiteral("KB/s\uFF08Bytes\uFF09")},
        {"only the missing one replaced", QStringLiteral("a\uFF08b\uFF09"), noClosing, QStringLiteral("a\uFF08b)")},
        {"no space at the start or after one", QStringLiteral("\uFF08x\uFF09 \uFF3By\uFF3D"), none, QStringLiteral("(x) [y]")},
        {"digits, letters and the ideographic space", QStringLiteral("\uFF11\uFF12\u3000\uFF21\uFF5E"), none,
         QStringLiteral("12 A~")},
        {"ordinary and other wide text untouched", QStringLiteral("Kbps (Bits) \u65E5\u672C \uFF61"), none,
         QStringLiteral("Kbps (Bits) \u65E5\u672C \uFF61")},
        {"outside the basic plane kept", QString::fromUcs4(U"\U0001F600\uFF01"), none, QString::fromUcs4(U"\U0001F600!")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FullWidthText::shown(c.text, c.renderable), c.shown);
    }
}

} // namespace
