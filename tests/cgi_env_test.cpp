// The captured CGI environment: which entries fill which fields.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "common/cgi_env.h"

namespace {

// Captures from exactly `entries` (a null-ended list) and restores the
// process environment afterwards.
void capture_from(char** entries)
{
    char** saved = environ;
    environ = entries;
    cgi_env_capture();
    environ = saved;
}

TEST(CgiEnvTest, NamesMatchWholeAndUnsetOnesAreEmpty)
{
    char e0[] = "PATH=/bin";
    char e1[] = "PATH_INFO_EXTRA=/no";
    char e2[] = "PATH_INFO=/1024";
    char e3[] = "HTTP_COOKIES=no";
    char e4[] = "REQUEST_METHOD=POST";
    char e5[] = "CONTENT_TYPE=multipart/form-data; boundary=XyZ";
    char e6[] = "CONTENT_LENGTH=42";
    char e7[] = "=nameless";
    char e8[] = "NOEQUALS";
    char* entries[] = {e0, e1, e2, e3, e4, e5, e6, e7, e8, nullptr};
    capture_from(entries);
    EXPECT_STREQ(g_cgi.path_info, "/1024");
    EXPECT_STREQ(g_cgi.request_method, "POST");
    EXPECT_STREQ(g_cgi.http_cookie, "");
    EXPECT_STREQ(g_cgi.query_string, "");
    EXPECT_STREQ(g_cgi.media_type, "multipart/form-data");
    EXPECT_STREQ(g_cgi.multipart_boundary, "XyZ");
    EXPECT_EQ(g_cgi.content_length, 42);
}

TEST(CgiEnvTest, FirstEntryOfANameCountsAndAnEarlierCaptureIsForgotten)
{
    char a0[] = "HTTP_COOKIE=sessionId=1";
    char a1[] = "QUERY_STRING=a=1";
    char* first[] = {a0, a1, nullptr};
    capture_from(first);
    ASSERT_STREQ(g_cgi.query_string, "a=1");

    // A worker serves the next request from another environment: nothing of
    // the previous one may remain.
    char b0[] = "HTTP_COOKIE=";
    char b1[] = "HTTP_COOKIE=sessionId=2";
    char b2[] = "CONTENT_LENGTH=7";
    char b3[] = "CONTENT_LENGTH=9";
    char* second[] = {b0, b1, b2, b3, nullptr};
    capture_from(second);
    EXPECT_STREQ(g_cgi.http_cookie, "");
    EXPECT_STREQ(g_cgi.query_string, "");
    EXPECT_EQ(g_cgi.content_length, 7);
}

}  // namespace
