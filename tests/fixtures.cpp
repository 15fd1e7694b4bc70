#include "tests/fixtures.h"

#include <cstdio>
#include <fstream>
#include <unistd.h>

bool all_zero(const void* p, size_t n)
{
    const unsigned char* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; i++)
        if (b[i]) return false;
    return true;
}

std::vector<u32> codes_of(const std::vector<EmuFrame>& frames)
{
    std::vector<u32> codes;
    for (const auto& f : frames) codes.push_back(f.code);
    return codes;
}

std::vector<std::string> json_keys(json_object* o)
{
    std::vector<std::string> keys;
    json_object_object_foreach(o, k, v)
    {
        (void)v;
        keys.push_back(k);
    }
    return keys;
}

JsonPtr json_of(const RunResult& r)
{
    JsonPtr j = json_parse(r.body().c_str());
    EXPECT_TRUE(j) << r.out;
    return j;
}

std::string clock_text(int hour, int minute)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", hour, minute);
    return text;
}

std::string plan_json(const std::string& start, const std::string& end, int type)
{
    return "[\"" + start + "\",\"" + end + "\"," + std::to_string(type) + "]";
}

std::string schedule_json_of(int days, int plans, const std::function<std::string(int day, int plan)>& plan)
{
    std::string s = "[";
    for (int d = 0; d < days; d++) {
        s += d ? ",[" : "[";
        for (int p = 0; p < plans; p++) s += (p ? "," : "") + plan(d, p);
        s += "]";
    }
    return s + "]";
}

std::string repeated_bytes(const std::string& pattern, size_t n, size_t from)
{
    std::string s;
    s.reserve(n);
    for (size_t i = from; s.size() < n; i++) s += pattern[i % pattern.size()];
    return s;
}

long write_large_body(const std::string& path, const std::string& head, size_t size, size_t piece,
                      const std::function<std::string(size_t n, size_t from)>& bytes)
{
    FILE* body = std::fopen(path.c_str(), "wb");
    if (!body) {
        ADD_FAILURE() << "cannot write " << path;
        return -1;
    }
    std::fwrite(head.data(), 1, head.find('@'), body);
    for (size_t at = 0; at < size; at += piece) {
        std::string part = bytes(piece, at);
        std::fwrite(part.data(), 1, part.size(), body);
    }
    std::fputs(head.substr(head.find('@') + 1).c_str(), body);
    const long written = std::ftell(body);
    std::fclose(body);
    return written;
}

std::string expect_flat_memory_upload(const TempRoot& root, const std::string& code, const std::string& boundary,
                                      const std::string& head, size_t size, size_t piece,
                                      const std::function<std::string(size_t n, size_t from)>& bytes)
{
    const std::string body_path = root.at("/body.bin");
    const long body_size = write_large_body(body_path, head, size, piece, bytes);
    if (body_size <= 0) return "";
    const std::string out_path = root.at("/out.txt");
    const std::vector<std::string> env = {"NVR_ROOT=" + root.path(),
                                          "REQUEST_METHOD=POST",
                                          "PATH_INFO=" + code,
                                          "CONTENT_TYPE=multipart/form-data; boundary=" + boundary,
                                          "CONTENT_LENGTH=" + std::to_string(body_size),
                                          "PATH=/usr/bin:/bin"};
    const size_t before = resident_bytes();
    const MeasuredRun run = run_measured(built("nvr-api.cgi"), env, body_path, out_path);
    EXPECT_EQ(run.status, 0);
    EXPECT_LT(run.peak_bytes, before + size / 2)
        << "peak " << run.peak_bytes / 1024 << " KiB, this process " << before / 1024 << " KiB";
    return read_whole_file(out_path);
}

void expect_file_bytes(const std::string& path, size_t size, size_t piece,
                       const std::function<std::string(size_t n, size_t from)>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr) << path;
    std::string got(piece, '\0');
    size_t at = 0;
    for (size_t n; (n = std::fread(&got[0], 1, piece, f)) > 0; at += n) {
        if (got.compare(0, n, bytes(n, at)) != 0) {
            ADD_FAILURE() << path << " differs at " << at;
            break;
        }
    }
    std::fclose(f);
    EXPECT_EQ(at, size);
}

void CommandTest::SetUp()
{
    StoreTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_NE(getcwd(old_cwd_, sizeof old_cwd_), nullptr);
    ASSERT_EQ(chdir(root().path().c_str()), 0);
}

void CommandTest::TearDown()
{
    EXPECT_FALSE(root().exists("/pwned"));
    ASSERT_EQ(chdir(old_cwd_), 0);
}
