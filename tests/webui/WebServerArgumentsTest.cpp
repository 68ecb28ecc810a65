#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "webui/runWebServer.h"

namespace {

TEST(WebServerArguments, PlainAndTls) {
    const std::vector<std::string> plain{"vantrell", "-ports", "8447", "-root", ".", "-dir_list", "no",
                                         "-cgi_ext", "", "-ssi_ext", ""};
    EXPECT_EQ(webServerArguments(8447, ""), plain);
    const std::vector<std::string> tls{"vantrell", "-ports", "8447s", "-ssl_cert", "/c.pem", "-root", ".",
                                       "-dir_list", "no", "-cgi_ext", "", "-ssi_ext", ""};
    EXPECT_EQ(webServerArguments(8447, "/c.pem"), tls);
}

}  // namespace
