// The API reference is generated from the request tables: every row carries
// a well-formed doc text, and docs/api.md is exactly what the generator
// prints, so the reference cannot drift from the code.
#include <gtest/gtest.h>

#include "front/api_doc.h"
#include "tests/harness.h"

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
