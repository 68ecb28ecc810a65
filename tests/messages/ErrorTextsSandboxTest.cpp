// The real program under a translated locale: command-line and rc-file errors in the user's
// language, and no secret of the rc file on the console or in the log in any language. Runs in
// the namespace helper, as it writes /root/.vantrellrc and the log under /tmp.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/TestUtil.h"

namespace {

const char rcFile[] = "/root/.vantrellrc";
const char logFile[] = "/tmp/vantrell3.log";

struct Row {
    const char* label;
    const char* locale;  // LC_ALL; LANG and LC_MESSAGES are unset
    const char* rc;      // nullptr: no rc file
    std::vector<std::string> args;
    // 1: the error ends the run, its report on standard output; -1: a warning on standard
    // error, and the run goes on (the listing then fails for want of an update source).
    int status;
    std::string shows;

    std::string logHolds;  // empty: not looked at
    const char* secret;    // must show nowhere; nullptr: none
};

const std::string germanNames = "Parameternamen m\xc3\xbcssen mit Buchstaben beginnen.";
const std::string englishStray =
    "Command line parse error: There must be no more arguments after options.\n"
    "The following arguments was found after last option:\n"
    "one\ntwo\n";

TEST(ErrorTextsInTheProgram, CommandLineAndRcFileUnderEachLocale) {
    const Row rows[] = {
        {"stray arguments in Spanish, each on a line of its own", "es_ES.UTF-8", nullptr,
         {"--show-releases", "one", "two"}, 1,
         "Error de an\xc3\xa1lisis de la l\xc3\xadnea de comandos: No deben haber m\xc3\xa1s argumentos despu\xc3\xa9s de "
         "las opciones.\nTras la \xc3\xbaltima opci\xc3\xb3n, se han encontrado los siguientes argumentos:\none\ntwo\n",
         "", nullptr},
        {"a line that begins with a digit ends the run below the German heading", "de_DE.UTF-8", "1X=2\n",
         {"--show-releases"}, 1,
         "Syntaxfehler in der Konfigurationsdatei des Corvane-Produkte-Installationsprogramms:\n" + germanNames + "\n",
         "", nullptr},
        {"an unknown key warns in German, the quoted name right after the full stop", "de_DE.UTF-8", "FOO_BAR=1\n",
         {"--show-releases"}, -1, germanNames + "'FOO_BAR' = '***'\n", germanNames + "'FOO_BAR' = '***'", nullptr},
        {"a misspelt password key in Spanish", "es_ES.UTF-8", "PROXY_PASSWD=s3cret\n", {"--show-releases"}, -1,
         "Par\xc3\xa1metro desconocido en archivo rc: 'PROXY_PASSWD' = '***'\n",
         "Par\xc3\xa1metro desconocido en archivo rc: 'PROXY_PASSWD' = '***'", "s3cret"},
        {"a misspelt password key in French", "fr_FR.UTF-8", "PROXY_PASSWD=s3cret\n", {"--show-releases"}, -1,
         "le nom des param\xc3\xa8tres doit commencer par une lettre.'PROXY_PASSWD' = '***'\n",
         "le nom des param\xc3\xa8tres doit commencer par une lettre.'PROXY_PASSWD' = '***'", "s3cret"},
        // Only the exact locale names select a language.
        {"a locale name without the encoding", "de_DE", nullptr, {"--show-releases", "one", "two"}, 1, englishStray, "",
         nullptr},
        {"another spelling of the encoding", "fr_FR.utf8", nullptr, {"--show-releases", "one", "two"}, 1, englishStray,
         "", nullptr},
    };
    for (const Row& r : rows) {
        std::remove(rcFile);
        std::remove(logFile);
        if (r.rc) testutil::writeFile(rcFile, r.rc);
        std::vector<std::string> argv = {VN_VANTRELL_BIN};
        argv.insert(argv.end(), r.args.begin(), r.args.end());
        const testutil::RunResult run = testutil::run(argv, {{"LC_ALL", r.locale},
                                                             {"LANG", testutil::unset},
                                                             {"LC_MESSAGES", testutil::unset},
                                                             {"HOME", "/root"},
                                                             {"XDG_CONFIG_HOME", testutil::unset}});
        if (r.status >= 0) {
            EXPECT_EQ(run.status, r.status) << r.label << "\n" << run.err;
        }
        const std::string& output = r.status == 1 ? run.out : run.err;
        EXPECT_NE(output.find(r.shows), std::string::npos) << r.label << ": the output is\n" << output;
        const std::string log = testutil::readFile(logFile);
        if (!r.logHolds.empty()) {
            EXPECT_NE(log.find(r.logHolds), std::string::npos) << r.label << ": the log is\n" << log;
        }
        if (r.secret) {
            EXPECT_EQ(run.err.find(r.secret), std::string::npos) << r.label;
            EXPECT_EQ(run.out.find(r.secret), std::string::npos) << r.label;
            EXPECT_FALSE(log.empty()) << r.label << ": no log to look into";
            EXPECT_EQ(log.find(r.secret), std::string::npos) << r.label;
        }
    }
    std::remove(rcFile);
}

}  // namespace
