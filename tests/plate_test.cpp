// Plate recognition end to end: the plate lists in their own database (add,
// edit, remove, thousands of plates), the plate events with their actions,
// and the recognition settings and formats exchanged with the core daemon.
#include <gtest/gtest.h>

#include <json-c/json.h>
#include <sqlite3.h>

#include <map>
#include <string>
#include <vector>

#include "common/json.h"
#include "handlers/event/plate_records.h"
#include "tests/fixtures.h"

namespace {

constexpr uint32_t kWaitFlag = 1;

class PlateTest : public NvrTest {
protected:
    // Every listed plate and its list type, read from the database file.
    std::map<std::string, std::string> plates()
    {
        std::map<std::string, std::string> out;
        sqlite3* db = nullptr;
        std::string path = root().at(kAnprDb);
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            return out;
        }
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT key, data FROM anpr_list", -1, &s, nullptr) == SQLITE_OK) {
            while (sqlite3_step(s) == SQLITE_ROW) {
                PlateListEntry e = zeroed<PlateListEntry>();
                std::memcpy(&e, sqlite3_column_blob(s, 1),
                            std::min(sizeof e, size_t(sqlite3_column_bytes(s, 1))));
                std::string key = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
                EXPECT_EQ(key, std::string(text_of(e.plate).s));
                out[key] = text_of(e.type).s;
            }
        }
        sqlite3_finalize(s);
        sqlite3_close(db);
        return out;
    }
    PlateEventRecord plate_event(int channel, int mode)
    {
        PlateEventRecord r;
        stored(mode < 0 ? "anpr_event_m1" : "anpr_event_" + std::to_string(mode), channel, &r);
        return r;
    }
    static std::string hex(const EmuFrame& f) { return to_hex(f.payload.data(), f.payload.size()); }
};

JsonPtr parse(const std::string& text)
{
    JsonPtr j = json_parse(text.c_str());
    EXPECT_TRUE(j) << text;
    return j;
}

std::string plate_name(int i)
{
    char text[16];
    std::snprintf(text, sizeof text, "KX%05d", i);
    return text;
}

// "/6184" of plates first..last-1 on list `type`.
std::string import_request(int first, int last, const char* type)
{
    std::string body = "{\"cnt\":" + std::to_string(last - first) + ",\"plate\":[";
    for (int i = first; i < last; i++)
        body += (i > first ? ",[\"" : "[\"") + std::string(type) + "\",\"" + plate_name(i) + "\"]";
    return body + "]}";
}

// ---- plate lists ----

TEST_F(PlateTest, ImportTakesTheElementsThatArePresent)
{
    auto r = post("/6184", "{\"cnt\":3,\"plate\":[[\"black\",\"AB%20123\"],[\"white\",\"CD456\"]]}");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    EXPECT_EQ(r.body(), "{ \"count\": 2 }");
    auto listed = plates();
    EXPECT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed["AB 123"], "black");  // the percent-encoded space is decoded
    EXPECT_EQ(listed["CD456"], "white");

    // Re-importing a plate replaces its entry: one entry per plate.
    EXPECT_EQ(post("/6184", "{\"cnt\":1,\"plate\":[[\"white\",\"AB 123\"]]}").body(), "{ \"count\": 1 }");
    listed = plates();
    EXPECT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed["AB 123"], "white");

    // Texts are cut to their fields after decoding.
    std::string long_plate = std::string(60, 'A') + "%41%41%41%41%41";
    EXPECT_EQ(post("/6184", "{\"cnt\":1,\"plate\":[[\"a-very-long-list-type\",\"" + long_plate + "\"]]}").body(),
              "{ \"count\": 1 }");
    EXPECT_EQ(plates()[std::string(63, 'A')], "a-very-long-lis");
}

TEST_F(PlateTest, ListRequestsOutsideTheCountsWriteNothing)
{
    for (const std::string& body : {std::string("{\"cnt\":0,\"plate\":[[\"black\",\"X1\"]]}"),
                                    std::string("{\"cnt\":10001,\"plate\":[[\"black\",\"X1\"]]}"),
                                    std::string("{\"plate\":[[\"black\",\"X1\"]]}"),
                                    std::string("{\"cnt\":1,\"plate\":[]}"), std::string("{\"cnt\":1}"),
                                    std::string("{\"cnt\":1,\"plate\":[\"X1\"]}"), std::string("cnt=1")})
        EXPECT_EQ(post("/6184", body).body(), "{status:\"CGI ERROR\"}") << body;
    EXPECT_TRUE(plates().empty());

    ASSERT_EQ(post("/6184", import_request(0, 3, "black")).body(), "{ \"count\": 3 }");
    EXPECT_EQ(post("/6183", "{\"cnt\":0,\"plate\":[\"KX00000\"]}").body(), "CGI ERROR");
    EXPECT_EQ(post("/6183", "{\"cnt\":10001,\"plate\":[\"KX00000\"]}").body(), "CGI ERROR");
    EXPECT_EQ(post("/6183", "{\"cnt\":1,\"plate\":[]}").body(), "CGI ERROR");
    EXPECT_EQ(post("/6183", "not json").body(), "{status:\"CGI ERROR\"}");
    EXPECT_EQ(post("/6185", "not json").body(), "CGI ERROR");
    EXPECT_EQ(post("/6185", "{\"cnt\":0,\"plate\":[[\"KX00000\",\"white\",\"NEW\"]]}").body(), "CGI ERROR");
    EXPECT_EQ(plates().size(), 3u);
}

TEST_F(PlateTest, EditAndDeleteKeepEveryOtherEntry)
{
    ASSERT_EQ(post("/6184", import_request(0, 5, "black")).body(), "{ \"count\": 5 }");
    // KX00000 becomes NEW 1 on the white list; KX00001 is renamed to the
    // already listed KX00002, which takes the new list type; an element
    // without a new plate changes nothing.
    ASSERT_EQ(post("/6185", "{\"cnt\":3,\"plate\":[[\"KX00000\",\"white\",\"NEW%201\"],"
                            "[\"KX00001\",\"visitor\",\"KX00002\"],[\"KX00003\",\"white\",\"\"]]}").body(),
              "OK");
    auto listed = plates();
    EXPECT_EQ(listed, (std::map<std::string, std::string>{
                          {"NEW 1", "white"}, {"KX00002", "visitor"}, {"KX00003", "black"}, {"KX00004", "black"}}));

    ASSERT_EQ(post("/6183", "{\"cnt\":2,\"plate\":[\"NEW%201\",\"UNLISTED\",\"KX00004\"]}").body(), "OK");
    listed = plates();
    EXPECT_EQ(listed, (std::map<std::string, std::string>{{"KX00002", "visitor"}, {"KX00003", "black"},
                                                          {"KX00004", "black"}}));
}

TEST_F(PlateTest, ThousandsOfPlatesKeepEveryEntry)
{
    // 6,000 plates in five requests (each body stays within the intake's
    // 30,719 characters), then one more batch overlapping the last.
    const int kBatch = 1200;
    auto type_of = [&](int i) { return (i / kBatch) % 2 ? "white" : "black"; };
    for (int first = 0; first < 6000; first += kBatch) {
        auto r = post("/6184", import_request(first, first + kBatch, type_of(first)));
        ASSERT_EQ(r.body(), "{ \"count\": 1200 }") << first;
    }
    ASSERT_EQ(post("/6184", import_request(5900, 6100, "visitor")).body(), "{ \"count\": 200 }");
    auto listed = plates();
    ASSERT_EQ(listed.size(), 6100u);
    for (int i = 0; i < 6100; i++) {
        auto it = listed.find(plate_name(i));
        ASSERT_NE(it, listed.end()) << i;
        EXPECT_EQ(it->second, i >= 5900 ? "visitor" : type_of(i)) << i;
    }

    // Remove every other plate of the first 3,000 in two requests, then
    // rename 600 plates in one.
    for (int first = 0; first < 3000; first += 1500) {
        std::string body = "{\"cnt\":750,\"plate\":[";
        for (int i = first; i < first + 1500; i += 2) body += (i > first ? ",\"" : "\"") + plate_name(i) + "\"";
        ASSERT_EQ(post("/6183", body + "]}").body(), "OK");
    }
    std::string edit = "{\"cnt\":600,\"plate\":[";
    for (int i = 3000; i < 3600; i++)
        edit += (i > 3000 ? ",[\"" : "[\"") + plate_name(i) + "\",\"visitor\",\"ED" + plate_name(i) + "\"]";
    ASSERT_EQ(post("/6185", edit + "]}").body(), "OK");

    listed = plates();
    ASSERT_EQ(listed.size(), 6100u - 1500u);
    for (int i = 0; i < 6100; i++) {
        const bool removed = i < 3000 && i % 2 == 0, edited = i >= 3000 && i < 3600;
        EXPECT_EQ(listed.count(plate_name(i)), removed || edited ? 0u : 1u) << i;
        if (edited) {
            EXPECT_EQ(listed["ED" + plate_name(i)], "visitor") << i;
        }
    }
}

// ---- plate events ----

TEST_F(PlateTest, PlateEventsKeepTheirActionsPerMode)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    std::string dialog = "{\"triAlarms\":3,\"triChannels\":\"0011\",\"audioId\":4,\"whiteInfo\":[{\"chnid\":2,"
                         "\"mode\":1,\"time\":10}],\"ptzParams\":[{\"acto_ptz_channel\":2,\"acto_ptz_type\":1,"
                         "\"acto_ptz_preset\":7}],\"effective\":[[[\"07:00\",\"19:00\",1]]]}";
    auto r = post("/6180", "{\"chnid\":33,\"mode\":0,\"enable\":1,\"dialog\":" + dialog + "}");
    ASSERT_EQ(r.body(), "OK");
    // The enable write keeps what the dialog set.
    PlateEventRecord rec = plate_event(33, 0);
    EXPECT_EQ(rec.chnid, 33);
    EXPECT_EQ(rec.enable, 1);
    EXPECT_EQ(rec.tri_alarms, 3);
    EXPECT_EQ(rec.tri_mask, 12u);
    EXPECT_EQ(plate_event(33, 1).enable, 0);

    auto frames = emu().received(kMsgPlateEventChanged);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(hex(frames.back()), "0000000002000000");  // channel 33's bit
    EXPECT_EQ(frames.back().flags & kWaitFlag, 0u);

    JsonPtr o = parse(post("/6179", "{\"chnid\":33,\"mode\":0}").body());
    EXPECT_EQ(jint(o.get(), "mode"), 0);
    EXPECT_EQ(jint(o.get(), "enable"), 1);
    EXPECT_EQ(jint(o.get(), "audioId"), 4);
    EXPECT_STREQ(jstr(o.get(), "triChannels"), "0011");
    json_object* ptz = jget(o.get(), "ptzParams");
    ASSERT_EQ(json_object_array_length(ptz), 1u);
    EXPECT_EQ(jint(json_object_array_get_idx(ptz, 0), "acto_ptz_preset"), 7);
    EXPECT_EQ(json_object_array_length(jget(o.get(), "whiteInfo")), 1u);
    std::vector<std::string> keys = json_keys(o.get());
    ASSERT_EQ(keys.size(), 22u);
    EXPECT_EQ(keys[10], "white_interval");
    EXPECT_EQ(keys[11], "triChannels");
    // The visitor mode has none of it.
    JsonPtr visitor = parse(post("/6179", "{\"chnid\":33,\"mode\":2}").body());
    EXPECT_EQ(json_object_array_length(jget(visitor.get(), "ptzParams")), 0u);

    // Mode -1: the arming schedule only.
    ASSERT_EQ(post("/6180", "{\"chnid\":33,\"mode\":-1,\"enable\":1,\"dialog\":{\"effective\":[[[\"01:00\","
                            "\"02:00\",3]]],\"ptzParams\":[{\"acto_ptz_channel\":1}]}}").body(), "OK");
    auto all = post("/6179", "{\"chnid\":33,\"mode\":-1}");
    JsonPtr every = parse(all.body());
    EXPECT_EQ(json_object_object_length(every.get()), 3);
    EXPECT_EQ(jint(every.get(), "mode"), -1);
    json_object* plan = json_object_array_get_idx(json_object_array_get_idx(jget(every.get(), "effective"), 0), 0);
    EXPECT_STREQ(jstr(plan, "startTime"), "01:00");
    EXPECT_EQ(plate_event(33, -1).enable, 1);
    EXPECT_EQ(store({"dump", "ptz_params_14"}).out, "");

    for (const char* bad : {"{\"chnid\":64,\"mode\":0}", "{\"chnid\":1,\"mode\":3}", "{\"chnid\":1,\"mode\":-2}",
                            "{\"mode\":0}", "x"}) {
        EXPECT_EQ(post("/6180", std::string(bad).substr(0, std::string(bad).size() - 1) + ",\"enable\":1}").body(),
                  "{status:\"CGI ERROR\"}") << bad;
        EXPECT_EQ(post("/6179", bad).body(), "{status:\"CGI ERROR\"}") << bad;
    }
    EXPECT_EQ(plate_event(1, 0).enable, 0);
}

// ---- camera settings and formats ----

TEST_F(PlateTest, RecognitionSettingsGoToTheCameraWithTheirFormatsFirst)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    auto r = post("/6182",
                  "{\"chnid\":1,\"enable\":1,\"resolution_width\":1920,\"post_tcp_port\":9000,"
                  "\"post_http_user\":\"gate\",\"post_http_url\":\"http://10.0.0.2/plates\",\"confidence\":75,"
                  "\"region\":[{\"name\":\"lane 1\",\"startX\":1,\"startY\":2,\"endX\":3,\"endY\":4}],"
                  "\"roi\":[{},{\"name\":\"gate\",\"endY\":9,\"preset\":5}],\"night_mode_stophour\":6,"
                  "\"formatData\":{\"filter\":1,\"enable\":[1,0,1],\"cr_count\":[7],\"format\":[\"AA99AAA\"]},"
                  "\"dialog\":{\"mode\":1,\"triAlarms\":2}}");
    EXPECT_EQ(r.body(), "OK");
    EXPECT_EQ(plate_event(1, 1).tri_alarms, 2);
    auto frames = emu().received();
    std::vector<uint32_t> codes;
    for (auto& f : frames) codes.push_back(f.code);
    EXPECT_EQ(codes, (std::vector<uint32_t>{kMsgPlateEventChanged, kMsgPlateFormatsSet, kMsgPlateSettingsSet}));
    ASSERT_EQ(frames[1].payload.size(), 224u);
    EXPECT_EQ(frames[1].flags & kWaitFlag, 0u);
    PlateFormatsRecord formats;
    std::memcpy(&formats, frames[1].payload.data(), sizeof formats);
    EXPECT_EQ(formats.chnid, 1);
    EXPECT_EQ(formats.filter, 1);
    EXPECT_EQ(formats.formats[2].enable, 1);
    EXPECT_EQ(formats.formats[0].cr_count, 7);
    EXPECT_STREQ(formats.formats[0].format, "AA99AAA");

    ASSERT_EQ(frames[2].payload.size(), 3672u);
    EXPECT_EQ(frames[2].flags & kWaitFlag, kWaitFlag);
    static PlateSettingsRecord s;
    std::memcpy(&s, frames[2].payload.data(), sizeof s);
    EXPECT_EQ(s.chnid, 1);
    EXPECT_EQ(s.resolution_width, 1920);
    EXPECT_EQ(s.post_tcp_port, 9000);
    EXPECT_STREQ(s.post_http_url, "http://10.0.0.2/plates");
    EXPECT_EQ(s.confidence, 75);
    EXPECT_STREQ(s.regions[0].name, "lane 1");
    EXPECT_EQ(s.regions[0].end_y, 4);
    EXPECT_EQ(s.rois[1].end_y, 9);
    EXPECT_EQ(s.rois[1].preset, 5);
    EXPECT_EQ(s.night_mode_stophour, 6);

    JsonPtr got = parse(post("/6181", "{\"chnid\":0}").body());
    EXPECT_EQ(jint(got.get(), "enable"), 1);
    EXPECT_EQ(jint(got.get(), "confidence"), 80);
    EXPECT_EQ(jint(got.get(), "in_night_mode"), 0);
    json_object* roi = json_object_array_get_idx(jget(got.get(), "roi"), 0);
    EXPECT_TRUE(jhas(roi, "endy"));
    EXPECT_FALSE(jhas(roi, "endY"));
    EXPECT_STREQ(jstr(json_object_array_get_idx(jget(got.get(), "region"), 0), "name"), "Gate lane");

    emu().rule("3290 reply 8290 hex:ffffffff");
    EXPECT_EQ(post("/6182", "{\"chnid\":1}").body(), "FAILED");
    emu().rule("3289 close");
    EXPECT_EQ(post("/6181", "{\"chnid\":1}").body(), "{status:\"CGI ERROR\"}");
    const size_t before = emu().received().size();
    EXPECT_EQ(post("/6182", "{\"chnid\":64}").body(), "{status:\"CGI ERROR\"}");
    EXPECT_EQ(post("/6181", "{\"chnid\":-1}").body(), "{status:\"CGI ERROR\"}");
    EXPECT_EQ(emu().received().size(), before);
}

TEST_F(PlateTest, PlateFormatsAndZoomState)
{
    emu();
    JsonPtr f = parse(post("/6190", "{\"chnid\":0}").body());
    EXPECT_EQ(jint(f.get(), "filter"), 1);
    ASSERT_EQ(json_object_array_length(jget(f.get(), "format")), 9u);
    EXPECT_STREQ(json_object_get_string(json_object_array_get_idx(jget(f.get(), "format"), 1)), "AAA9999");
    EXPECT_EQ(json_object_get_int(json_object_array_get_idx(jget(f.get(), "cr_count"), 0)), 7);

    std::string format16 = "ABCDEFGHIJKLMNOPQ";
    ASSERT_EQ(post("/6191", "{\"chnid\":5,\"filter\":1,\"wildcards\":2,\"enable\":[1,1,1,1,1,1,1,1,1,1],"
                            "\"cr_count\":[6,7],\"format\":[\"" + format16 + "\"]}").body(), "OK");
    auto frames = emu().received(kMsgPlateFormatsSet);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].flags & kWaitFlag, kWaitFlag);
    PlateFormatsRecord want = zeroed<PlateFormatsRecord>();
    want.chnid = 5;
    want.filter = 1;
    want.wildcards = 2;
    for (PlateFormat& e : want.formats) e.enable = 1;
    want.formats[0].cr_count = 6;
    want.formats[1].cr_count = 7;
    set_text(want.formats[0].format, format16.c_str());
    EXPECT_EQ(hex(frames[0]), to_hex(&want, sizeof want));
    emu().rule("1208 reply 6208 hex:02000000");
    EXPECT_EQ(post("/6191", "{\"chnid\":5}").body(), "FAILED");
    EXPECT_EQ(post("/6191", "{\"chnid\":64}").body(), "{status:\"CGI ERROR\"}");

    EXPECT_EQ(post("/6189", "{\"chnid\":1}").body(), "{ \"chnid\": 1, \"state\": 1, \"zoomNumber\": 4 }");
    EXPECT_EQ(post("/6189", "{\"chnid\":64}").body(), "{status:\"CGI ERROR\"}");
    emu().rule("1215 reply 6215 hex:01000000");
    EXPECT_EQ(post("/6189", "{\"chnid\":1}").body(), "{status:\"CGI ERROR\"}");
}

TEST_F(PlateTest, EveryCodeSurvivesEmptyBodies)
{
    emu();
    const std::vector<std::string> codes = {"/6180", "/6179", "/6181", "/6182", "/6183",
                                            "/6184", "/6185", "/6189", "/6190", "/6191"};
    expect_empty_bodies_handled(codes);
    EXPECT_TRUE(emu().received().empty());
    EXPECT_TRUE(plates().empty());
    EXPECT_EQ(registered_codes("video", codes), codes);
}

}  // namespace
