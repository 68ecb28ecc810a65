// The value kinds without explanations: what each accepts and how it stores it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "components/ParamBool.h"
#include "components/ParamCases.h"
#include "components/ParamDomain.h"
#include "components/ParamEmail.h"
#include "components/ParamEnum.h"
#include "components/ParamFloat.h"
#include "components/ParamHostname.h"
#include "components/ParamInteger.h"
#include "components/ParamUrl.h"
#include "components/TreeCatalogue.h"
#include "support/EnglishTest.h"

namespace {

using testutil::expectParamCases;
using testutil::ParamCase;
using testutil::TreeCatalogue;

class ParamKindsTest : public testutil::EnglishTest {
protected:
    TreeCatalogue tarnix{"tarnix"};
    std::shared_ptr<VnComponent> owner = tarnix.component("base", 1);
};

TEST_F(ParamKindsTest, BooleansStoreTrueOrFalse) {
    expectParamCases([&] { return std::make_shared<ParamBool>(owner.get(), "ssl"); },
                     {
                         {"YES", true, "true", nullptr},
                         {"y", true, "true", nullptr},
                         {"True", true, "true", nullptr},
                         {"N", true, "false", nullptr},
                         {"no", true, "false", nullptr},
                         {"FALSE", true, "false", nullptr},
                         {"1", false, nullptr, nullptr},
                         {"on", false, nullptr, nullptr},
                         {"", false, nullptr, nullptr},
                         {" yes", false, nullptr, "blanks are not trimmed"},
                     });
}

TEST_F(ParamKindsTest, UrlsNeedASchemeAndAFurtherSlash) {
    expectParamCases([&] { return std::make_shared<ParamUrl>(owner.get(), "mirror"); },
                     {
                         {"http://example.com/", true, nullptr, nullptr},
                         {"ftp://example.com/pub/x", true, nullptr, nullptr},
                         {"http://example.com", false, nullptr, "no slash after the host"},
                         {"://example.com/", false, nullptr, "no scheme"},
                         {"see http://example.com/ now", true, nullptr, "a search: found inside other words"},
                         {"", false, nullptr, nullptr},
                     });
}

// Host names and domain names share the rule; only host names take a dotted quad found
// anywhere in the text.
TEST_F(ParamKindsTest, HostAndDomainNames) {
    const std::string label63(63, 'a');
    const std::string name255 = label63 + "." + label63 + "." + label63 + "." + label63;
    const std::string name256 = label63 + "." + label63 + "." + label63 + "." + std::string(62, 'a') + ".a";
    struct Row {
        std::string text;
        bool host;
        bool domain;
        const char* why;
    };
    const Row rows[] = {
        {"a.b", true, true, ""},
        {"Mail-1.Example.com", true, true, ""},
        {"1.2.3.4", true, true, "digits make labels too"},
        {"a; b 1.2.3.4", true, false, "kept: any text holding a dotted quad is a host name"},
        {"a", false, false, "one label"},
        {"-a.b", false, false, ""},
        {"a-.b", false, false, ""},
        {"a..b", false, false, ""},
        {"a.b.", false, false, ""},
        {"a\\b.c", true, true, "kept: a backslash may stand inside a label"},
        {"localhost.rev", false, false, ""},
        {"x.in-addr.arpa", false, false, ""},
        {"4.3.2.1.in-addr.arpa", false, false, "refused before the dotted quad is looked for"},
        {std::string(64, 'a') + ".b", false, false, "a label of 64"},
        {name255, true, true, "255 bytes"},
        {name256, false, false, "256 bytes"},
        {"1.2.3.4 " + name256.substr(8), false, false, "too long even with a dotted quad"},
        {"evil\nexample.com", false, false, "a second line does not stand for the whole name"},
        {std::string("example.com\0;x", 14), false, false, "nor does the part before a NUL byte"},
        {"x\n1.2.3.4", true, false, "kept: the dotted quad is a search"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text.substr(0, 40) + " (" + std::to_string(r.text.size()) + " bytes) " + r.why);
        ParamHostname host(owner.get(), "hostname");
        ParamDomain domain(owner.get(), "domain");
        EXPECT_EQ(host.setValue(r.text), r.host);
        EXPECT_EQ(domain.setValue(r.text), r.domain);
    }
}

TEST_F(ParamKindsTest, IntegersAreDigitsAndSignsInTheRangeOfInt) {
    expectParamCases([&] { return std::make_shared<ParamInteger>(owner.get(), "port", "1", "10"); },
                     {
                         {"42", true, nullptr, "kept: the bounds are never compared"},
                         {"-7", true, nullptr, nullptr},
                         {"", true, nullptr, "reads as 0"},
                         {"+5", true, nullptr, nullptr},
                         {"2147483647", true, nullptr, nullptr},
                         {"-2147483648", true, nullptr, nullptr},
                         {"1-2", true, nullptr, "kept: only the leading number is read"},
                         {"4.2", false, nullptr, nullptr},
                         {"4 2", false, nullptr, nullptr},
                         {"2147483648", false, nullptr, nullptr},
                         {"-2147483649", false, nullptr, nullptr},
                         {"0x10", false, nullptr, nullptr},
                     });
    ParamInteger p(owner.get(), "port", "1", "10");
    EXPECT_EQ(p.getMin(), "1");
    EXPECT_EQ(p.getMax(), "10");
}

TEST_F(ParamKindsTest, FloatsAreJudgedByTheirLeadingNumber) {
    struct Row {
        const char* min;
        const char* max;
        const char* text;
        bool accepted;
        const char* why;
    };
    const Row rows[] = {
        {"0", "1", "0.5", true, ""},
        {"0", "1", "5e-1", true, ""},
        {"0", "1", "0.5abc", true, "the leading number decides"},
        {"0", "1", ".5", true, ""},
        {"0", "1", "1", true, "the bounds belong to the range"},
        {"0", "1", "0", true, ""},
        {"0", "1", "1.5", false, ""},
        {"0", "1", "-0.1", false, ""},
        {"0", "1", "abc", false, "no number at all"},
        {"0", "1", "x1", false, "a number inside, none at the start: nothing to compare"},
        {"0", "1", "nan1", false, "not a number compares with nothing"},
        {"", "", "x1", true, "without bounds, a number anywhere will do"},
        {"", "", "1e5", true, ""},
        {"", "", "nan", false, ""},
        {"", "10", "11", false, ""},
        {"", "10", "-5", true, ""},
        {"-5", "", "-6", false, ""},
        {"abc", "", "0.5", false, "a bound that reads as no number"},
        {"", "nan", "0.5", false, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.min) + ".." + r.max + " " + r.text + " " + r.why);
        ParamFloat p(owner.get(), "ratio", r.min, r.max);
        EXPECT_EQ(p.setValue(r.text), r.accepted);
        EXPECT_EQ(p.getStoredValue(), r.accepted ? r.text : "");
    }
}

TEST_F(ParamKindsTest, EnumsTakeAChoiceIdExactly) {
    const ParamEnum::Choices choices = {{"a", "First"}, {"b", "Second"}};
    expectParamCases(
        [&] {
            auto p = std::make_shared<ParamEnum>(owner.get(), "mode");
            p->setChoices(choices);
            return p;
        },
        {
            {"a", true, nullptr, nullptr},
            {"b", true, nullptr, nullptr},
            {"A", false, nullptr, nullptr},
            {"c", false, nullptr, nullptr},
            {"a ", false, nullptr, nullptr},
            {"First", false, nullptr, "the display name is not a choice"},
            {"", false, nullptr, nullptr},
        });
    expectParamCases([&] { return std::make_shared<ParamEnum>(owner.get(), "mode"); },
                     {{"a", false, nullptr, "no choices"}, {"", false, nullptr, "no choices"}});

    ParamEnum p(owner.get(), "mode");
    p.setChoices(choices);
    p.setChoices({{"c", "Third"}});
    EXPECT_FALSE(p.setValue("a")) << "the new list replaces the old one";
    EXPECT_TRUE(p.setValue("c"));
}

TEST_F(ParamKindsTest, EmailsHoldOneAtBetweenTwoParts) {
    expectParamCases([&] { return std::make_shared<ParamEmail>(owner.get(), "admin_email"); },
                     {
                         {"a@b", true, nullptr, nullptr},
                         {"admin.name@example.com", true, nullptr, nullptr},
                         {"a b@c", true, nullptr, "kept: nothing but '@' and '\\' is refused"},
                         {"@b", false, nullptr, nullptr},
                         {"a@", false, nullptr, nullptr},
                         {"a@b@c", false, nullptr, nullptr},
                         {"a\\b@c", false, nullptr, nullptr},
                         {"a@b\\c", false, nullptr, nullptr},
                         {"a@b\nc@d", false, nullptr, "a second line does not hide a second '@'"},
                         {"a@b\n", false, nullptr, nullptr},
                         {"", false, nullptr, nullptr},
                     });
}

}  // namespace
