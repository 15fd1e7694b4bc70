// Camera audio end to end: capabilities and settings, settings for several
// channels, and the support flags, through the CGI program and the emulator.
#include <cstring>
#include <string>
#include <vector>

#include "handlers/camera/audio_records.h"
#include "tests/fixtures.h"

namespace {

const std::string kSettings =
    "\"audioEnable\":1,\"audioMode\":2,\"denoise\":3,\"encoding\":4,\"sampleRate\":16000,\"inputGain\":6,"
    "\"inputMode\":7,\"audioGainControl\":8,\"outputVolume\":9,\"audioBitrate\":128";

AudioSettings settings_of(int chnid)
{
    return AudioSettings{chnid, 1, 2, 3, 4, 16000, 6, 7, 8, 9, 128};
}

AudioSetMessage message_of(const EmuFrame& f)
{
    AudioSetMessage m = zeroed<AudioSetMessage>();
    if (f.payload.size() == sizeof m) std::memcpy(&m, f.payload.data(), sizeof m);
    return m;
}

class CameraAudioTest : public DaemonTest {
protected:
};

TEST_F(CameraAudioTest, ModuleListsItsCodes)
{
    const std::vector<std::string> mine = {"/2063", "/2064", "/2065"};
    EXPECT_EQ(registered_codes("camera", mine), mine);
}

TEST_F(CameraAudioTest, SettingsAndOptionsOfACamera)
{
    static AudioCapsRecord c;
    c = zeroed<AudioCapsRecord>();
    c.res = 0;
    c.support = 1;
    c.support_mode = 2;
    c.support_input_mode = 3;
    c.option_count = 2;
    c.options[0].encode_value = 0;
    c.options[0].sample_rate_value = 8000;
    c.options[0].bitrate_count = 1;
    c.options[0].bitrates[0] = 64;
    c.options[0].sample_rate_count = 1;
    c.options[0].sample_rates[0] = 8000;
    c.options[1].encode_value = 2;
    c.options[1].sample_rate_value = 16000;
    c.options[1].bitrate_count = 99;  // more than a table holds: cut to 16
    for (int i = 0; i < kAudioRates; i++) c.options[1].bitrates[i] = i;
    c.options[1].sample_rate_count = -4;
    c.config = settings_of(5);
    emu().rule("3371 reply 8371 hex:" + hex_of(c));
    auto r = post("/2063", "{\"chnid\":5}");
    EXPECT_EQ(r.out, kJsonHead +
                         "{ \"res\": 0, \"support\": 1, \"supportMode\": 2, \"supportInputMode\": 3, \"config\": { "
                         "\"chnid\": 5, \"audioEnable\": 1, \"audioMode\": 2, \"denoise\": 3, \"encoding\": 4, "
                         "\"sampleRate\": 16000, \"inputGain\": 6, \"inputMode\": 7, \"audioGainControl\": 8, "
                         "\"outputVolume\": 9, \"audioBitrate\": 128 }, \"options\": [ { \"encodeValue\": 0, "
                         "\"sampleRateValue\": 8000, \"bitrateInfo\": [ 64 ], \"sampleRateInfo\": [ 8000 ] }, { "
                         "\"encodeValue\": 2, \"sampleRateValue\": 16000, \"bitrateInfo\": [ 0, 1, 2, 3, 4, 5, 6, 7, "
                         "8, 9, 10, 11, 12, 13, 14, 15 ], \"sampleRateInfo\": [ ] } ] }");
    EXPECT_EQ(hex_of(sent_once(3371)), "05000000");
}

TEST_F(CameraAudioTest, OptionCountIsBoundedByTheRecord)
{
    static AudioCapsRecord c;
    c = zeroed<AudioCapsRecord>();
    c.option_count = 1000;
    emu().rule("3371 reply 8371 hex:" + hex_of(c));
    auto body = post("/2063", "{\"chnid\":0}").body();
    size_t n = 0;
    for (size_t at = 0; (at = body.find("encodeValue", at)) != std::string::npos; at++) n++;
    EXPECT_EQ(n, size_t(kAudioOptions));
}

TEST_F(CameraAudioTest, BadChannelsAndShortRepliesGiveTheError)
{
    for (const char* body : {"{\"chnid\":64}", "{\"chnid\":-1}", "{}", "chnid=1", ""})
        for (const char* code : {"/2063", "/2064", "/2065"}) EXPECT_EQ(post(code, body).out, kJsonError) << code;
    EXPECT_TRUE(emu().received().empty());

    expect_replies({"3371 reply 8371 zeros:5967", "3372 reply 8372 hex:000000", "3376 reply 8376 zeros:351"},
                   {
                       {"/2063", "{\"chnid\":63}", kJsonError},
                       {"/2064", "{\"chnid\":63}", kJsonError},
                       {"/2065", "{\"chnid\":63}", kJsonError},
                   });
}

TEST_F(CameraAudioTest, SettingsGoToTheChannelAndItsCopies)
{
    // chnid 2 with "0101": channels 1, 2 and 3.
    EXPECT_EQ(post("/2064", "{\"chnid\":2," + kSettings + ",\"channels\":\"0101\"}").out, kTextHead + "OK");
    auto sent = emu().received(3372);
    ASSERT_EQ(sent.size(), 1u);
    AudioSetMessage want = zeroed<AudioSetMessage>();
    want.mask = 0xe;
    want.settings = settings_of(2);
    EXPECT_EQ(hex_of(sent[0]), hex_of(want));
    EXPECT_EQ(sent[0].flags & 1, 1u);

    // Without "channels": the channel alone; missing settings read as 0.
    EXPECT_EQ(post("/2064", "{\"chnid\":7}").body(), "OK");
    want = zeroed<AudioSetMessage>();
    want.mask = 0x80;
    want.settings.chnid = 7;
    EXPECT_EQ(hex_of(emu().received(3372).at(1)), hex_of(want));

    // Only the first 64 characters count; any other character than '1' is
    // no channel. Channel 63 and a copy to channel 9 (offline in the demo).
    const std::string channels = "0x0000000100000000000000000000000000000000000000000000000000000001111";
    EXPECT_EQ(post("/2064", "{\"chnid\":63,\"channels\":\"" + channels + "\"}").body(), "ERROR");
    EXPECT_EQ(message_of(emu().received(3372).at(2)).mask, (u64(1) << 63) | (u64(1) << 9));
}

TEST_F(CameraAudioTest, SupportFlags)
{
    EXPECT_EQ(post("/2065", "{\"chnid\":1}").out,
              kJsonHead + "{ \"res\": 0, \"audioSupport\": 1, \"audioSupportMode\": 3, \"audioLineInputSupport\": 1, "
                          "\"systemSpeakerSupport\": 1, \"systemManualSpeedSupport\": 0 }");
    EXPECT_EQ(hex_of(emu().received(3376).at(0)), "01000000");
    EXPECT_EQ(post("/2065", "{\"chnid\":12}").body(),
              "{ \"res\": -1, \"audioSupport\": 0, \"audioSupportMode\": 0, \"audioLineInputSupport\": 0, "
              "\"systemSpeakerSupport\": 0, \"systemManualSpeedSupport\": 0 }");
}

TEST_F(CameraAudioTest, NoReplyGivesTheError)
{
    emu().rule("3371 close");
    emu().rule("3372 close");
    EXPECT_EQ(post("/2063", "{\"chnid\":1}").out, kJsonError);
    EXPECT_EQ(post("/2064", "{\"chnid\":1}").out, kJsonError);
}

TEST_F(CameraAudioTest, EmptyBodies) { expect_empty_bodies_handled({"/2063", "/2064", "/2065"}); }

}  // namespace
