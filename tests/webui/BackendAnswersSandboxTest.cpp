// The progress answer and the component list over a real tree (tests/fixtures/webui/components):
// goldens in tests/fixtures/webui/answers, progress records set as the installers set them.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "WebAnswersRun.h"
#include "catalogue/BuildManager.h"
#include "catalogue/Release.h"
#include "components/VnComponent.h"
#include "reporting/ProductsProgress.h"
#include "support/LogCapture.h"

namespace {

using listingtest::Outcome;
using webanswers::answer;
using webanswers::golden;
using webanswers::Loaded;

class BackendAnswers : public listingtest::ListingTest {};

const std::string internalError = "(3,1,1,3) An internal error occured in vantrell,";

// The progress answer of a job in the given state, with `records` packages registered and
// moved on as the installers do before the answer is built.
struct ProgressCase {
    const char* label;
    bool finished;
    bool succeeded;
    std::function<void(Loaded&, ProductsProgress&)> records;
    std::string golden;
};

void registerBoth(Loaded& run, ProductsProgress& progress) {
    progress.add_product_package(run.catalogue->findRelease("tarnix-12"), "tarnix-base");
    progress.add_product_package(run.catalogue->findRelease("tarnix-12"), "tarnix-mta-light");
    progress.add_product_package(run.catalogue->findRelease("mardell-3"), "mardell-core");
    progress.set_progress(3, "tarnix-base");
    progress.set_progress(ProductsProgress::NOT_COUNTED, "mardell-core");
}

// The progress answer without its products' order (the records come in the model's order):
// each product's start tag and progress, sorted, then what follows `products`.
std::string byProduct(const std::string& answerText) {
    TiXmlDocument doc;
    doc.Parse(answerText.c_str());
    const TiXmlElement* root = doc.RootElement();
    if (!root || !root->FirstChildElement("products")) return "no products: " + answerText;
    std::vector<std::string> products;
    for (const TiXmlElement* p = root->FirstChildElement("products")->FirstChildElement(); p;
         p = p->NextSiblingElement())
        products.push_back(webanswers::compact(*p));
    std::sort(products.begin(), products.end());
    std::string text;
    for (const std::string& p : products) text += p + "\n";
    for (const TiXmlElement* e = root->FirstChildElement("products")->NextSiblingElement(); e; e = e->NextSiblingElement())
        text += webanswers::compact(*e) + "\n";
    return text;
}

TEST_F(BackendAnswers, Progress) {
    const std::string mardell = "<product id=\"mardell\" name=\"Mardell\" action=\"install\" version=\"3.0\"><progress ";
    const std::string tarnix = "<product id=\"tarnix\" name=\"Tarnix\" action=\"install\" version=\"12.0\"><progress ";
    auto placeholders = [&](const std::string& state) {
        return mardell + "percentage=\"0\" status=\"" + state + "\" /></product>\n" + tarnix +
               "percentage=\"0\" status=\"" + state + "\" /></product>\n";
    };
    auto records = [&](const std::string& m, const std::string& t) {
        return mardell + m + " /></product>\n" + tarnix + t + " /></product>\n<console>Installing tarnix-base</console>\n";
    };
    const ProgressCase rows[] = {
        {"no records, job running", false, false, nullptr, placeholders("waiting")},
        {"no records, job failed", true, false, nullptr, placeholders("failed")},
        {"no records, job done", true, true, nullptr, placeholders("completed")},
        {"records of a running job", false, false, registerBoth,
         records("status=\"failed\" percentage=\"0\"", "status=\"in_progress\" percentage=\"50\"")},
        {"a finished, succeeded job overrides every state", true, true, registerBoth,
         records("status=\"completed\" percentage=\"0\"", "status=\"completed\" percentage=\"50\"")},
        {"a finished, failed job", true, false, registerBoth,
         records("status=\"failed\" percentage=\"0\"", "status=\"failed\" percentage=\"50\"")},
    };
    for (const ProgressCase& row : rows) {
        const Outcome o = answer([&](Loaded& run, BackendProtocol& protocol) {
            run.component("mardell", "core")->setSelected(true);
            ProductsProgress progress;
            if (row.records) row.records(run, progress);
            protocol.sendProgress("Installing tarnix-base", row.finished, row.succeeded, run.catalogue.get(),
                                  &run.load.components);
        });
        EXPECT_EQ(o.raised, "") << row.label << "\n" << o;
        EXPECT_EQ(byProduct(o.out), row.golden) << row.label;
    }
}

TEST_F(BackendAnswers, ProgressWithoutSelectionOrProgressModel) {
    const Outcome nothing = answer([](Loaded& run, BackendProtocol& protocol) {
        run.catalogue->findRelease("mardell-3")->selected = false;
        run.component("tarnix", "base")->setRequired(false);
        run.component("tarnix", "base")->setSelected(false);
        ProductsProgress progress;
        protocol.sendProgress("", false, false, run.catalogue.get(), &run.load.components);
    });
    EXPECT_EQ(nothing.raised, "") << nothing;
    EXPECT_EQ(nothing.out, "<vantrell status=\"ok\"><products /></vantrell>");

    const Outcome noModel = answer([](Loaded& run, BackendProtocol& protocol) {
        protocol.sendProgress("", false, false, run.catalogue.get(), &run.load.components);
    });
    EXPECT_EQ(noModel.raised.substr(0, internalError.size()), internalError) << noModel;
    EXPECT_EQ(noModel.out, "<vantrell status=\"ok\" />");

    const Outcome noManager = answer([](Loaded& run, BackendProtocol& protocol) {
        ProductsProgress progress;
        protocol.sendProgress("", false, false, run.catalogue.get(), nullptr);
    });
    EXPECT_EQ(noManager.raised.substr(0, 35), "(3,1,0,3) Try of use NULL pointer: ") << noManager;
}

TEST_F(BackendAnswers, ProgressStatesOfTheRecords) {
    struct Row {
        int state;
        std::string progress;
        bool logged;
    };
    const Row rows[] = {
        {0, "status=\"waiting\" percentage=\"12\"", false},
        {1, "status=\"started\" percentage=\"12\"", false},
        {2, "status=\"in_progress\" percentage=\"12\"", false},
        {3, "status=\"completed\" percentage=\"12\"", false},
        {ProductsProgress::NOT_COUNTED, "status=\"failed\" percentage=\"12\"", false},
        {7, "percentage=\"12\"", true},
    };
    for (const Row& row : rows) {
        const Outcome o = answer([&](Loaded& run, BackendProtocol& protocol) {
            ProductsProgress::ReleaseProgressList list(1);
            list[0].release = run.catalogue->findRelease("tarnix-12");
            list[0].state = row.state;
            list[0].percent = 12;
            testutil::LogCapture log(3);
            protocol.sendProgressRecords(list, "", false, false, nullptr, nullptr);
            std::cerr << log.text();
        });
        EXPECT_EQ(o.raised, "") << o;
        EXPECT_EQ(o.out, "<vantrell status=\"ok\"><products><product id=\"tarnix\" name=\"Tarnix\" action=\"install\" "
                         "version=\"12.0\"><progress " +
                             row.progress + " /></product></products><console></console></vantrell>")
            << row.state;
        const std::string line = "ERROR: Internal error: product progress state=" + std::to_string(row.state) + "\n";
        EXPECT_EQ(o.err.find(line) != std::string::npos, row.logged) << o.err;
    }
}

TEST_F(BackendAnswers, Components) {
    struct Row {
        const char* label;
        std::function<void(Loaded&)> prepare;
        std::vector<std::string> hidden;
        std::string golden;
    };
    const Row rows[] = {
        {"every product shown", nullptr, {}, "components.xml"},
        // webmail required but not selected; mardell hidden: its group stays, its components go.
        {"mardell hidden",
         [](Loaded& run) {
             run.component("tarnix", "webmail")->setRequired(true);
             run.component("tarnix", "mta-full")->setSelected(true);
         },
         {"mardell"},
         "components-hidden.xml"},
    };
    for (const Row& row : rows) {
        const Outcome o = answer([&](Loaded& run, BackendProtocol& protocol) {
            if (row.prepare) row.prepare(run);
            testutil::LogCapture log(3);
            protocol.sendComponents(&run.load.components, row.hidden);
            std::cerr << log.text();
        });
        EXPECT_EQ(o.raised, "") << row.label << "\n" << o;
        EXPECT_EQ(o.out, golden(row.golden)) << row.label;
        std::string line = "DEBUG: BackendProtocol::sendComponents: show_prod_ids: ";
        for (const std::string& id : row.hidden) line += " '" + id + "'";
        EXPECT_NE(o.err.find(line + "\n"), std::string::npos) << o.err;
    }
}

TEST_F(BackendAnswers, ComponentsWithoutManagerOrWithAnUndeterminedStatus) {
    const Outcome none = answer([](Loaded&, BackendProtocol& protocol) { protocol.sendComponents(nullptr, {}); });
    EXPECT_EQ(none.raised.substr(0, internalError.size()), internalError) << none;
    EXPECT_EQ(none.out, "<vantrell status=\"ok\" />");

    const Outcome undetermined = answer([](Loaded& run, BackendProtocol& protocol) {
        run.component("tarnix", "webmail")->setStatus(0);
        protocol.sendComponents(&run.load.components, {});
    });
    EXPECT_EQ(undetermined.raised.substr(0, internalError.size()), internalError) << undetermined;
    // What came before the failing component stays in the answer.
    EXPECT_NE(undetermined.out.find("<component id=\"base\""), std::string::npos) << undetermined.out;
    EXPECT_EQ(undetermined.out.find("<component id=\"webmail\""), std::string::npos) << undetermined.out;
}

// The lookup the builders use: only children of the tag are candidates.
TEST(BackendAnswerLookup, ChildLookupByTagAndAttribute) {
    TiXmlDocument doc;
    doc.Parse("<components><group name=\"a\"/><alternative_components name=\"x\"/><group name=\"b\"/>"
              "<group name=\"x\"/></components>");
    struct Row {
        const char* tag;
        const char* attribute;
        const char* value;
        const char* found;
        const char* error;
    };
    const Row rows[] = {
        {"group", "name", "x", "<group name=\"x\" />", ""},
        {"group", "", "", "<group name=\"a\" />", ""},
        {"alternative_components", "name", "x", "<alternative_components name=\"x\" />", ""},
        {"group", "name", "X", "", "not found child element group in element components with attribute name=\"X\""},
        {"group", "id", "a", "", "not found child element group in element components with attribute id=\"a\""},
        {"component", "", "", "", "not found child element component in element components"},
        {"", "name", "x", "", "not specified child element name"},
    };
    for (const Row& row : rows) {
        tinybind::Element handle(doc.RootElement());
        handle.childByAttribute(row.tag, row.attribute, row.value);
        EXPECT_EQ(handle.element ? webanswers::compact(*handle.element) : "", row.found) << row.tag << row.value;
        EXPECT_EQ(handle.error, row.error) << row.tag << row.value;
    }
    // Only an alternative_components carries "x": the group lookup misses.
    TiXmlDocument only;
    only.Parse("<components><group name=\"a\"/><alternative_components name=\"x\"/></components>");
    tinybind::Element handle(only.RootElement());
    EXPECT_FALSE(handle.childByAttribute("group", "name", "x").element);
    EXPECT_EQ(handle.error, "not found child element group in element components with attribute name=\"x\"");
    // An empty handle stays empty with its reason.
    EXPECT_FALSE(handle.childByAttribute("group").element);
    EXPECT_EQ(handle.error, "not found child element group in element components with attribute name=\"x\"");
}

}  // namespace
