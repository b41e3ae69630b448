#include "query/notification_rules.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct LineCase {
  uint32_t status;
  const char* line;  // nullptr: prints nothing
};

class StatusLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(StatusLineTest, PrintsTheLineForItsCode) {
  const LineCase& c = GetParam();
  const char* line = statusLine(c.status);
  if (c.line == nullptr) {
    EXPECT_EQ(line, nullptr) << c.status;
  } else {
    ASSERT_NE(line, nullptr) << c.status;
    EXPECT_STREQ(line, c.line) << c.status;
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryCode, StatusLineTest,
    ::testing::Values(LineCase{10, "Status: Resolving Name\n"}, LineCase{11, "Status: Name Resolved\n"},
                      LineCase{20, "Status: Connecting to Server\n"}, LineCase{21, "Status: Connected to Server\n"},
                      LineCase{30, "Status: Sending request\n"}, LineCase{31, "Status: Request sent\n"},
                      LineCase{40, "Status: Receiving Response\n"}, LineCase{41, "Status: Response Received \n"},
                      LineCase{50, "Status: Closing Connection\n"}, LineCase{51, "Status: Connection Closed\n"},
                      LineCase{60, nullptr}, LineCase{70, "Status: Handle Closing\n"},
                      LineCase{80, "Status: Detecting Proxy\n"}, LineCase{100, nullptr},
                      LineCase{110, "Status: Redirect\n"}, LineCase{120, "Status: Intermediate response\n"},
                      LineCase{200, "Status: State Change\n"},
                      LineCase{320, "Status: Cookie found and will be sent with request\n"},
                      LineCase{321, "Status: Cookie Received\n"}, LineCase{325, "Status: Received P3P header\n"},
                      LineCase{327, "Status: Cookie History\n"}, LineCase{0, "Status: Unknown\n"},
                      LineCase{42, "Status: Unknown\n"}, LineCase{101, "Status: Unknown\n"},
                      LineCase{326, "Status: Unknown\n"}, LineCase{0xFFFFFFFFu, "Status: Unknown\n"}));

TEST(StatusLineTest, EveryLineIsOneLineStartingWithStatus) {
  for (uint32_t status = 0; status < 400; ++status) {
    const char* line = statusLine(status);
    if (line == nullptr) continue;
    std::size_t length = std::strlen(line);
    ASSERT_GT(length, 9u) << status;
    EXPECT_EQ(std::strncmp(line, "Status: ", 8), 0) << status;
    EXPECT_EQ(line[length - 1], '\n') << status;
    EXPECT_EQ(std::strchr(line, '\n'), line + length - 1) << status;
    EXPECT_EQ(std::strchr(line, '\r'), nullptr) << status;
  }
}

struct RedirectCase {
  const char* target;
  bool secure;
};

class RedirectTest : public ::testing::TestWithParam<RedirectCase> {};

TEST_P(RedirectTest, FollowsOnlyOnTls) {
  const RedirectCase& c = GetParam();
  EXPECT_EQ(isSecureRedirectTarget(c.target, std::strlen(c.target) + 1), c.secure) << c.target;
}

INSTANTIATE_TEST_SUITE_P(
    Targets, RedirectTest,
    ::testing::Values(RedirectCase{"https://update.corvane.com/other", true},
                      RedirectCase{"HTTPS://update.corvane.com/", true}, RedirectCase{"https://", true},
                      RedirectCase{"http://update.corvane.com/stelmarvine/x", false},
                      RedirectCase{"HTTP://update.corvane.com/", false}, RedirectCase{"http:update", false},
                      RedirectCase{"https:/update", false}, RedirectCase{"https:update", false},
                      RedirectCase{"httpss://update.corvane.com/", false}, RedirectCase{"ftp://files/", false},
                      RedirectCase{"file:///c:/x", false}, RedirectCase{"javascript:x", false},
                      RedirectCase{"", false}, RedirectCase{"/stelmarvine/other.aspx", true},
                      RedirectCase{"other.aspx?x=http://a", true}, RedirectCase{"//mirror.corvane.com/x", true},
                      RedirectCase{"?name=x", true}));

TEST(RedirectTest, NothingIsRefused) {
  EXPECT_FALSE(isSecureRedirectTarget(nullptr, 0));
  EXPECT_FALSE(isSecureRedirectTarget("https://a", 0));
}

TEST(RedirectTest, LooksNoFurtherThanTheLengthGiven) {
  // Cut inside the scheme: what was given is no https address.
  EXPECT_FALSE(isSecureRedirectTarget("https://update.corvane.com/", 7));
  EXPECT_TRUE(isSecureRedirectTarget("https://update.corvane.com/", 8));
  // Cut before the ':' that would show a scheme: not taken for a relative address.
  EXPECT_FALSE(isSecureRedirectTarget("http://x", 5));
  EXPECT_FALSE(isSecureRedirectTarget("http://x", 4));
  EXPECT_TRUE(isSecureRedirectTarget("/x", 1));
}

}  // namespace
