// Every code's example request in the API reference (docs/openapi.json) is
// one the running system answers: sent to the CGI program with the emulator
// and a fresh store, as scripts/run.sh serves them, a JSON or decimal example
// gets no error form.
#include <gtest/gtest.h>

#include <cstring>

#include "common/json.h"
#include "tests/harness.h"

namespace {

class ApiExamples : public NvrTest {};

// The example of a JSON or decimal request body, or "" when the code's
// request is neither.
std::string json_example(json_object* op)
{
    json_object* body = jget(op, "requestBody");
    const char* what = jstr(body, "description");
    if (!what) return "";
    const bool decimal = std::string(what).rfind("A decimal number", 0) == 0;
    if (!decimal && std::string(what).rfind("A JSON object", 0) != 0) return "";
    json_object* example = jget(jget(jget(body, "content"), "application/json"), "example");
    return example ? json_object_to_json_string_ext(example, JSON_C_TO_STRING_PLAIN | JSON_C_TO_STRING_NOSLASHESCAPE)
                   : "";
}

}  // namespace

TEST_F(ApiExamples, JsonAndDecimalExamplesAreAnsweredWithoutAnErrorForm)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    // Tools a handler may start are fakes here: nothing of the machine the
    // test runs on is touched.
    for (const char* tool : {"killall", "tcpdump", "webmonitor", "kxchip_update", "tar", "unzip", "netstat"})
        fake_tool(tool);
    RunResult doc_run = run_program(built("nvr-api-codes"), {"--openapi"}, {}, "");
    ASSERT_EQ(doc_run.status, 0) << doc_run.err;
    JsonPtr doc = json_parse(doc_run.out.c_str());
    ASSERT_TRUE(doc);
    int sent = 0;
    std::string refused;
    json_object_object_foreach(jget(doc.get(), "paths"), code, item) {
        json_object* op = jget(item, "post");
        if (!op) continue;
        std::string example = json_example(op);
        // A code that answers nothing by design is not asked.
        const char* reply = jstr(jget(jget(op, "responses"), "200"), "description");
        if (example.empty() || (reply && std::strstr(reply, "(no reply)"))) continue;
        // Answered only once something else was done first: an exposure
        // table stored ("/2048"), a sound file uploaded.
        if (std::strcmp(code, "/2049") == 0 || std::strcmp(code, "/6322") == 0) continue;
        sent++;
        RunResult r = post(code, example);
        std::string body = r.body();
        if (r.status != 0 || body.empty() || body == "CGI ERROR" || body == "{status:\"CGI ERROR\"}")
            refused += std::string(code) + " " + example + " -> [" + body.substr(0, 80) + "]\n";
    }
    EXPECT_GT(sent, 300);
    EXPECT_EQ(refused, "") << "examples answered with an error form (or nothing)";
}
