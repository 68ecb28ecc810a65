// The small routines of the program entry that run without the executable.
#include <gtest/gtest.h>
#include <unistd.h>

#include <boost/filesystem/operations.hpp>
#include <string>
#include <vector>

#include "common/error.h"
#include "main/Options.h"
#include "main/mainRoutines.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

std::string joined(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words) out += w + " ";
    return out;
}

std::string forLog(std::vector<std::string> words) {
    words.insert(words.begin(), "vantrell");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    const std::vector<std::string> shown = argumentsForLog(static_cast<int>(words.size()), argv.data());
    // The caller's vector is read, never reordered or changed.
    for (size_t i = 0; i < words.size(); ++i) EXPECT_EQ(argv[i], &words[i][0]);
    return joined(shown);
}

struct MaskRow {
    const char* label;
    std::vector<std::string> args;
    std::string shown;
};

TEST(ArgumentsForLog, ProxyPasswordIsMaskedInEveryFormTheParserAccepts) {
    const MaskRow rows[] = {
        {"the next word", {"--version", "--proxy-password", "s3$cr"}, "vantrell --version --proxy-password *** "},
        {"after '='", {"--proxy-password=s3$cr"}, "vantrell --proxy-password=*** "},
        {"an abbreviation with the next word", {"--proxy-pa", "s3$cr"}, "vantrell --proxy-pa *** "},
        {"an abbreviation with '='", {"--proxy-passw=s3$cr"}, "vantrell --proxy-passw=*** "},
        {"a value that looks like an option is still the value", {"--proxy-password", "-h"},
         "vantrell --proxy-password *** "},
        {"every occurrence", {"--proxy-password", "a", "--debug", "--proxy-password=b"},
         "vantrell --proxy-password *** --debug --proxy-password=*** "},
        {"after an unknown option the scan goes on", {"--bogus", "--proxy-password", "x"},
         "vantrell --bogus --proxy-password *** "},
        {"after a stray word the scan goes on", {"stray", "--proxy-password", "x"},
         "vantrell stray --proxy-password *** "},
        // Kept as given: the parser does not read a password there either.
        {"--proxy-p is ambiguous with --proxy-port", {"--proxy-p", "3128"}, "vantrell --proxy-p 3128 "},
        {"other proxy options", {"--proxy-host", "h", "--proxy-port", "3128", "--proxy-user", "u"},
         "vantrell --proxy-host h --proxy-port 3128 --proxy-user u "},
        {"the option's name as another option's value", {"--target", "--proxy-password", "x"},
         "vantrell --target --proxy-password x "},
        {"after --", {"--", "--proxy-password", "x"}, "vantrell -- --proxy-password x "},
        {"the option without its value", {"--proxy-password"}, "vantrell --proxy-password "},
    };
    testutil::StderrCapture err;
    for (const MaskRow& row : rows) EXPECT_EQ(forLog(row.args), row.shown) << row.label;
    // The scan is silent: the parser's diagnostics come once, from the settings build.
    EXPECT_EQ(err.text(), "");
}

TEST(MakeSettingsAbsolute, RelativePathsTakeTheCurrentDirectory) {
    testutil::TempDir dir;
    const std::string cwd = boost::filesystem::canonical(dir.path()).string();
    const std::string out = testutil::inChild([&] {
        if (::chdir(cwd.c_str()) != 0) return std::string("chdir failed");
        Options o;
        std::string lines;
        struct Case {
            std::string source, target, certificate;
        };
        const Case cases[] = {
            {"mirror/", "corvane", "cert.pem"},
            {"http://h/", "/opt/t", "/etc/c.pem"},
            {"ftp://h/x/", "", ""},
            {"/srv/mirror/", "../up", "./c.pem"},
        };
        for (const Case& c : cases) {
            static_cast<std::string&>(o.source) = c.source;
            o.target = c.target;
            o.sslCertificate = c.certificate;
            o.additionalSources.clear();
            for (const char* url : {"pkgs", "/abs/pkgs"}) {
                AdditionalSource s;
                s.type = "directory";
                s.url = url;
                o.additionalSources.push_back(s);
            }
            AdditionalSource network;
            network.type = "repomd";
            network.url = "mirror.example/repo";
            o.additionalSources.push_back(network);

            makeSettingsAbsolute(o);
            lines += static_cast<const std::string&>(o.source) + "|" + o.target + "|" + o.sslCertificate;
            for (const AdditionalSource& s : o.additionalSources) lines += "|" + s.url;
            lines += "\n";
        }
        return lines;
    });
    const std::string d = cwd + "/";
    EXPECT_EQ(out, d + "mirror/|" + d + "corvane|" + d + "cert.pem|" + d + "pkgs|/abs/pkgs|mirror.example/repo\n" +
                       "http://h/|/opt/t|/etc/c.pem|" + d + "pkgs|/abs/pkgs|mirror.example/repo\n" +
                       "ftp://h/x/|||" + d + "pkgs|/abs/pkgs|mirror.example/repo\n" +
                       "/srv/mirror/|" + d + "../up|" + d + "./c.pem|" + d + "pkgs|/abs/pkgs|mirror.example/repo\n");
}

TEST(ThrowNotImplemented, HasNoCodesAndOneLine) {
    const error e = testutil::raisedError([] { throwNotImplemented(); });
    EXPECT_EQ(testutil::codesOf(e), "(0,0,0,0)");
    EXPECT_EQ(e.text(), "Not implement yet\n");
    EXPECT_STREQ(e.className(), "e_class broken");
}

}  // namespace
