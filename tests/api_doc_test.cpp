// The API reference is generated from the request tables: every row carries
// a well-formed doc text, and docs/api.md and docs/openapi.json are exactly
// what the generator prints, so neither can drift from the code.
#include <gtest/gtest.h>

#include <sstream>

#include "common/json.h"
#include "front/api_doc.h"
#include "tests/harness.h"

namespace {

// The schema of a shape as compact JSON text ("" when the shape is refused).
std::string schema_text(const std::string& shape)
{
    std::string why;
    json_object* o = shape_schema(shape, &why);
    if (!o) return "";
    std::string s = json_object_to_json_string_ext(o, JSON_C_TO_STRING_PLAIN);
    json_object_put(o);
    return s;
}

}  // namespace

TEST(ApiReference, EveryRowHasAWellFormedDoc)
{
    RunResult r = run_program(built("nvr-api-codes"), {"--check"}, {}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "") << "rows whose doc text must be fixed";
}

TEST(ApiReference, MatchesTheRequestTables)
{
    RunResult r = run_program(built("nvr-api-codes"), {"--markdown"}, {}, "");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string committed = read_whole_file(std::string(NVR_SOURCE_DIR) + "/docs/api.md");
    EXPECT_TRUE(r.out == committed)
        << "docs/api.md differs from the request tables; rewrite it with "
           "`cmake --build build --target api-doc` (or build/nvr-api-codes --markdown > docs/api.md)";
    // Every registered code has its line.
    RunResult list = run_program(built("nvr-api-codes"), {}, {}, "");
    size_t rows = 0;
    for (size_t at = 0; (at = r.out.find("\n| `/", at)) != std::string::npos; at++) rows++;
    EXPECT_NE(list.out.find("total " + std::to_string(rows) + "\n"), std::string::npos) << list.out;
}

TEST(ApiReference, RowDocFieldsAreChecked)
{
    RowDoc d;
    EXPECT_EQ(parse_row_doc("Lists cameras | none | JSON | 8201 wait, 3485", &d), "");
    EXPECT_EQ(d.purpose, "Lists cameras");
    EXPECT_EQ(d.core, "8201 wait, 3485");
    EXPECT_EQ(parse_row_doc("Saves it | JSON: chnid, name | plain (\"OK\") | none", &d), "");
    EXPECT_EQ(parse_row_doc("Sends a file | upload: firmware | download | 6717 wait", &d), "");

    EXPECT_NE(parse_row_doc(nullptr, &d), "");
    EXPECT_NE(parse_row_doc("", &d), "");
    EXPECT_NE(parse_row_doc("Lists cameras | none | JSON", &d), "") << "three fields";
    EXPECT_NE(parse_row_doc("Lists | none | JSON | none | extra", &d), "") << "five fields";
    EXPECT_NE(parse_row_doc("Lists |  | JSON | none", &d), "") << "empty field";
    EXPECT_NE(parse_row_doc("Lists | chnid | JSON | none", &d), "") << "request form not named";
    EXPECT_NE(parse_row_doc("Lists | none | html | none", &d), "") << "unknown reply kind";
    EXPECT_NE(parse_row_doc("Lists | none | JSONish | none", &d), "") << "reply kind must stand alone";
    EXPECT_NE(parse_row_doc("Lists | none | JSON | 8201 waits", &d), "");
    EXPECT_NE(parse_row_doc("Lists | none | JSON | wait", &d), "");
    EXPECT_NE(parse_row_doc("Lists | none | JSON | 8201,3485", &d), "") << "codes are separated by \", \"";
}

TEST(ApiReference, AreaIsTheTableDirectory)
{
    EXPECT_EQ(area_of_file("/src/handlers/event/video_module.cpp"), "event");
    EXPECT_EQ(area_of_file("handlers/system/quick_settings.cpp"), "system");
    EXPECT_EQ(area_of_file("module.cpp"), "");
}

TEST(ApiReference, OpenApiDocumentMatchesTheRequestTables)
{
    RunResult r = run_program(built("nvr-api-codes"), {"--openapi"}, {}, "");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string committed = read_whole_file(std::string(NVR_SOURCE_DIR) + "/docs/openapi.json");
    EXPECT_TRUE(r.out == committed)
        << "docs/openapi.json differs from the request tables; rewrite it with "
           "`cmake --build build --target api-doc` (or build/nvr-api-codes --openapi > docs/openapi.json)";
    // One path per registered code, each with one operation and a reply.
    JsonPtr doc = json_parse(r.out.c_str());
    ASSERT_TRUE(doc);
    EXPECT_STREQ(jstr(doc.get(), "openapi"), "3.1.0");
    json_object* paths = jget(doc.get(), "paths");
    ASSERT_TRUE(paths);
    // Every registered code (from the listing: "slot code module").
    RunResult list = run_program(built("nvr-api-codes"), {}, {}, "");
    std::istringstream lines(list.out);
    int codes = 0;
    for (std::string slot, code, module; lines >> slot >> code >> module && slot != "total";) {
        codes++;
        json_object* item = jget(paths, code.c_str());
        ASSERT_TRUE(item) << code;
        json_object* op = jget(item, "post") ? jget(item, "post") : jget(item, "get");
        ASSERT_TRUE(op) << code;
        EXPECT_TRUE(jget(jget(op, "responses"), "200")) << code;
    }
    EXPECT_GT(codes, 400);
    EXPECT_EQ(json_object_object_length(paths), codes);
    // The login takes its two keys as JSON; a decimal request is a JSON number.
    json_object* login = jget(jget(jget(paths, "/1000"), "post"), "requestBody");
    EXPECT_TRUE(jget(jget(jget(jget(jget(login, "content"), "application/json"), "schema"), "properties"), "md5"));
}

TEST(ApiReference, ReplyShapesBecomeSchemas)
{
    EXPECT_EQ(schema_text("i"), R"({"type":"integer"})");
    EXPECT_EQ(schema_text("i(0..63)"), R"({"type":"integer","minimum":0,"maximum":63})");
    EXPECT_EQ(schema_text("i(-1..1)"), R"({"type":"integer","minimum":-1,"maximum":1})");
    EXPECT_EQ(schema_text("s(31)"), R"({"type":"string","maxLength":31})");
    EXPECT_EQ(schema_text("{a:i, b?:s}"),
              R"({"type":"object","properties":{"a":{"type":"integer"},"b":{"type":"string"}},)"
              R"("required":["a"],"additionalProperties":false})");
    EXPECT_EQ(schema_text("{a:i, ...}"),
              R"({"type":"object","properties":{"a":{"type":"integer"}},"required":["a"]})");
    EXPECT_EQ(schema_text("{}"), R"({"type":"object","properties":{},"additionalProperties":false})");
    EXPECT_EQ(schema_text("[[i|s]]"),
              R"({"type":"array","items":{"type":"array","items":{"oneOf":[{"type":"integer"},{"type":"string"}]}}})");
    EXPECT_EQ(schema_text(R"({"odd key":b, x:z, y:*, n:n})"),
              R"({"type":"object","properties":{"odd key":{"type":"boolean"},"x":{"type":"null"},"y":{},)"
              R"("n":{"type":"number"}},"required":["odd key","x","y","n"],"additionalProperties":false})");
    EXPECT_EQ(schema_text(R"({a:i}|"ERROR")"),
              R"({"oneOf":[{"type":"object","properties":{"a":{"type":"integer"}},"required":["a"],)"
              R"("additionalProperties":false},{"const":"ERROR"}]})");
    // Keys keep their order: the reply's order.
    EXPECT_EQ(schema_text("{z:i, a:i}").find(R"("z")") < schema_text("{z:i, a:i}").find(R"("a")"), true);

    for (const char* bad : {"", "q", "{a}", "{a:}", "{a:i", "[i", "i(3..1)", "i(1)", "s(x)", "{a:i, a:s}", "i s",
                            "{a:i,}", "|i", "i|", "\"open"})
        EXPECT_EQ(schema_text(bad), "") << bad;
}

TEST(ApiReference, ReplyAndRequestFieldsCarryShapes)
{
    RowDoc d;
    EXPECT_EQ(parse_row_doc("Reads it | JSON: chnid:i(0..63), name:s(31), list | JSON (res) {res:i} | none", &d), "");
    EXPECT_EQ(d.reply_kind, "JSON");
    EXPECT_EQ(d.reply_note, "res");
    EXPECT_EQ(d.reply_shape, "{res:i}");
    EXPECT_EQ(parse_row_doc("Reads it | none | JSON ({\"res\": n}) | none", &d), "");
    EXPECT_EQ(d.reply_note, "{\"res\": n}");
    EXPECT_EQ(d.reply_shape, "");
    EXPECT_EQ(parse_row_doc("Reads it | none | JSON [{a:i}] | none", &d), "");
    EXPECT_EQ(d.reply_shape, "[{a:i}]");

    EXPECT_NE(parse_row_doc("Reads it | none | JSON {res:} | none", &d), "") << "bad shape";
    EXPECT_EQ(parse_row_doc("Reads it | none | plain (a JSON text) {type:i} | none", &d), "");
    EXPECT_EQ(d.reply_shape, "{type:i}");
    EXPECT_NE(parse_row_doc("Reads it | none | download {res:i} | none", &d), "") << "a file has no shape";
    EXPECT_NE(parse_row_doc("Reads it | none | JSON (res | none", &d), "") << "unclosed note";
    EXPECT_NE(parse_row_doc("Reads it | none | JSON res | none", &d), "");
    EXPECT_NE(parse_row_doc("Reads it | JSON: chnid:q | JSON | none", &d), "") << "bad request key shape";

    std::vector<RequestKey> keys;
    bool open = true;
    EXPECT_EQ(parse_request_keys("JSON: a:[{x:i, y:s}], b, c:i(0..3)", &keys, &open), "");
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].name, "a");
    EXPECT_EQ(keys[0].shape, "[{x:i, y:s}]");
    EXPECT_EQ(keys[1].shape, "");
    EXPECT_FALSE(open);
    EXPECT_EQ(parse_request_keys("JSON: ip, the same keys with 2 for eth1, ...", &keys, &open), "");
    EXPECT_EQ(keys.size(), 1u);
    EXPECT_TRUE(open);
}
