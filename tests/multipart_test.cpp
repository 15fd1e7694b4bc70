// The multipart parser on its own: bodies are fed through a packet socket so
// each chunk arrives as exactly one read, which puts delimiters across read
// boundaries wherever a test wants them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "front/multipart.h"
#include "tests/harness.h"

namespace {

const char kBoundary[] = "----nvrB0undary";

struct Part {
    std::string name, value, file_name, content_type, temp_file, file_bytes;
    long value_length = 0;
    mode_t mode = 0;
    bool operator==(const Part& o) const
    {
        return name == o.name && value == o.value && file_name == o.file_name && content_type == o.content_type &&
               file_bytes == o.file_bytes && value_length == o.value_length;
    }
};

std::ostream& operator<<(std::ostream& os, const Part& p)
{
    return os << "{name=" << p.name << " value=" << testing::PrintToString(p.value) << " len=" << p.value_length
              << " file=" << p.file_name << " type=" << p.content_type
              << " bytes=" << testing::PrintToString(p.file_bytes) << "}";
}

std::string read_all(const std::string& path)
{
    std::string s;
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return s;
    char buf[65536];
    for (ssize_t k; (k = read(fd, buf, sizeof buf)) > 0;) s.append(buf, size_t(k));
    close(fd);
    return s;
}

// One text part of a body.
std::string field(const std::string& name, const std::string& value)
{
    return std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" +
           value + "\r\n";
}

// One file part of a body.
std::string file_part(const std::string& name, const std::string& file_name, const std::string& bytes,
                      const std::string& type = "application/octet-stream")
{
    return std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name +
           "\"; filename=\"" + file_name + "\"\r\nContent-Type: " + type + "\r\n\r\n" + bytes + "\r\n";
}

std::string closing() { return std::string("--") + kBoundary + "--\r\n"; }

Part text_entry(const std::string& name, const std::string& value)
{
    Part p;
    p.name = name;
    p.value = value;
    p.value_length = long(value.size());
    return p;
}

Part file_entry(const std::string& name, const std::string& file_name, const std::string& bytes,
                const std::string& type = "application/octet-stream")
{
    Part p;
    p.name = name;
    p.file_name = file_name;
    p.content_type = type;
    p.file_bytes = bytes;
    p.value_length = long(bytes.size());
    return p;
}

class MultipartTest : public ::testing::Test {
protected:
    TempRoot dir;
    std::string tmpl() const { return dir.path() + "/cgicXXXXXX"; }

    int rc = 0;
    std::vector<Part> parts;
    std::vector<std::string> left_behind;  // files in the temporary directory after the list is freed

    // Parses `chunks` (each delivered by one read) with the given length.
    void parse_chunks(const std::vector<std::string>& chunks, long content_length,
                      const char* boundary = kBoundary)
    {
        int sv[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, sv), 0);
        // A packet longer than the parser's read would be cut, so long
        // chunks go as several packets, each still shorter than a block.
        std::thread writer([&] {
            for (auto& c : chunks)
                for (size_t pos = 0; pos < c.size(); pos += 60000) {
                    size_t n = std::min(c.size() - pos, size_t(60000));
                    if (write(sv[1], c.data() + pos, n) != ssize_t(n)) break;
                }
            close(sv[1]);
        });
        FormEntry* list = nullptr;
        rc = multipart_parse(sv[0], content_length, boundary, &list, tmpl().c_str());
        // The parser may stop before the writer is done: unblock it.
        shutdown(sv[0], SHUT_RDWR);
        writer.join();
        close(sv[0]);
        collect(list);
    }

    void parse(const std::string& body, const char* boundary = kBoundary)
    {
        parse_chunks({body}, long(body.size()), boundary);
    }

    void collect(FormEntry* list)
    {
        parts.clear();
        for (FormEntry* e = list; e; e = e->next) {
            Part p;
            p.name = e->name;
            p.value.assign(e->value, e->temp_file[0] ? 0 : size_t(e->value_length));
            p.value_length = e->value_length;
            p.file_name = e->file_name;
            p.content_type = e->content_type;
            p.temp_file = e->temp_file;
            if (e->temp_file[0]) {
                p.file_bytes = read_all(e->temp_file);
                struct stat st;
                if (stat(e->temp_file, &st) == 0) p.mode = st.st_mode & 07777;
                EXPECT_STREQ(e->value, "");
            }
            parts.push_back(p);
        }
        form_entries_free(list);
        left_behind = dir.list_dir("");
    }
};

TEST_F(MultipartTest, SeveralPartsKeepTheirHeadersAndBytes)
{
    std::string body = "preamble to skip\r\n" + field("channel", "3") +
                       file_part("file", "C:\\Users\\me\\pic.jpg", std::string("JP\0EG", 5), "image/jpeg") +
                       field("note", "second\r\nline") + field("empty", "") + closing() + "epilogue";
    parse(body);
    ASSERT_EQ(rc, kMultipartOk);
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[0], text_entry("channel", "3"));
    EXPECT_EQ(parts[1], file_entry("file", "C:\\Users\\me\\pic.jpg", std::string("JP\0EG", 5), "image/jpeg"));
    EXPECT_EQ(parts[2], text_entry("note", "second\r\nline"));
    EXPECT_EQ(parts[3], text_entry("empty", ""));
    // The file part went to a private temporary file from the template.
    EXPECT_EQ(parts[1].temp_file.rfind(dir.path() + "/cgic", 0), 0u) << parts[1].temp_file;
    EXPECT_EQ(parts[1].mode, 0600u);
    EXPECT_TRUE(left_behind.empty());
}

TEST_F(MultipartTest, PartialDelimitersInsideDataAreData)
{
    const std::string b = kBoundary;
    const std::string tricky[] = {
        "\r\n--" + b.substr(0, 5),
        "x\r\n--" + b.substr(0, b.size() - 1) + "z",
        "\r\r\n--" + b.substr(0, 3) + "\r\n-",
        "--" + b + " not after CR LF",
        "\n--" + b + "\r",
        "ends with CR\r",
        "\r\n--",
        "\r\n--" + b.substr(0, b.size() - 1),
    };
    for (const std::string& data : tricky) {
        parse(field("t", data) + file_part("f", "f.bin", data) + closing());
        ASSERT_EQ(rc, kMultipartOk) << testing::PrintToString(data);
        ASSERT_EQ(parts.size(), 2u);
        EXPECT_EQ(parts[0], text_entry("t", data));
        EXPECT_EQ(parts[1], file_entry("f", "f.bin", data));
    }
}

TEST_F(MultipartTest, DelimiterSplitAcrossReadsAtEveryOffset)
{
    const std::string body = field("a", "one\r\n--" + std::string(kBoundary).substr(0, 6)) +
                             file_part("file", "x.bin", "\r\n-two\r") + field("b", "") + closing();
    const std::vector<Part> expected = {text_entry("a", "one\r\n--" + std::string(kBoundary).substr(0, 6)),
                                        file_entry("file", "x.bin", "\r\n-two\r"), text_entry("b", "")};
    for (size_t cut = 1; cut < body.size(); cut++) {
        parse_chunks({body.substr(0, cut), body.substr(cut)}, long(body.size()));
        ASSERT_EQ(rc, kMultipartOk) << "cut at " << cut;
        ASSERT_EQ(parts, expected) << "cut at " << cut;
    }
    std::vector<std::string> bytes;
    for (char c : body) bytes.push_back(std::string(1, c));
    parse_chunks(bytes, long(body.size()));
    ASSERT_EQ(rc, kMultipartOk);
    EXPECT_EQ(parts, expected);
}

// Random bodies full of near-delimiters, cut into random reads, come back
// exactly as they were built.
TEST_F(MultipartTest, RandomBodiesRoundTrip)
{
    std::mt19937 rng(20240601);
    const std::string b = kBoundary;
    const std::string pieces[] = {"\r", "\n", "-", "\r\n", "\r\n--", "--" + b, "\r\n--" + b.substr(0, 9), "x", "\0"};
    for (int round = 0; round < 150; round++) {
        std::string body = rng() % 2 ? "junk before\r\n" : "";
        std::vector<Part> expected;
        int n = 1 + int(rng() % 4);
        for (int i = 0; i < n; i++) {
            std::string data;
            int len = int(rng() % 40);
            for (int k = 0; k < len; k++) {
                if (rng() % 3 == 0)
                    data += pieces[rng() % (sizeof pieces / sizeof pieces[0])];
                else
                    data += char(rng() % 256);
            }
            // Large parts now and then, so blocks fill up.
            if (rng() % 10 == 0) data += std::string(70000 + rng() % 70000, char('a' + i));
            if (data.find("\r\n--" + b) != std::string::npos) continue;
            std::string name = "p" + std::to_string(i);
            if (rng() % 2) {
                body += file_part(name, name + ".bin", data);
                expected.push_back(file_entry(name, name + ".bin", data));
            } else if (data.size() <= size_t(kFormValueMax)) {
                body += field(name, data);
                expected.push_back(text_entry(name, data));
            }
        }
        body += closing();
        std::vector<std::string> chunks;
        for (size_t pos = 0; pos < body.size();) {
            size_t len = 1 + rng() % (rng() % 4 ? 64 : 100000);
            chunks.push_back(body.substr(pos, len));
            pos += len;
        }
        parse_chunks(chunks, long(body.size()));
        ASSERT_EQ(rc, kMultipartOk) << "round " << round;
        ASSERT_EQ(parts, expected) << "round " << round;
        ASSERT_TRUE(left_behind.empty());
    }
}

TEST_F(MultipartTest, EmptySubmissions)
{
    parse("");
    EXPECT_EQ(rc, kMultipartOk);
    EXPECT_TRUE(parts.empty());
    parse("no boundary anywhere in this body");
    EXPECT_EQ(rc, kMultipartOk);
    EXPECT_TRUE(parts.empty());
    parse(closing());
    EXPECT_EQ(rc, kMultipartOk);
    EXPECT_TRUE(parts.empty());
    // Without a boundary nothing can be parsed, and nothing is read.
    parse(field("a", "1") + closing(), "");
    EXPECT_EQ(rc, kMultipartOk);
    EXPECT_TRUE(parts.empty());
    parse_chunks({field("a", "1") + closing()}, 0);
    EXPECT_EQ(rc, kMultipartOk);
    EXPECT_TRUE(parts.empty());
    parse_chunks({field("a", "1") + closing()}, -5);
    EXPECT_EQ(rc, kMultipartOk);
    EXPECT_TRUE(parts.empty());
}

TEST_F(MultipartTest, TruncatedBodiesFailAndLeaveNoFiles)
{
    const std::string full = file_part("first", "1.bin", std::string(100000, 'z')) +
                             file_part("file", "2.bin", "abcdef") + field("x", "y") + closing();
    const size_t second = full.find("--" + std::string(kBoundary), 10);
    const std::vector<size_t> cuts = {
        20,                                  // inside the first part's headers
        200,                                 // inside the first file's bytes
        second + 10,                         // inside the second part's headers
        full.find("abcdef") + 3,             // inside the second file's bytes
        full.find("abcdef") + 6 + 2 + 5,     // inside the delimiter after it
        full.size() - closing().size() - 2,  // the text part's bytes never end
    };
    for (size_t cut : cuts) {
        // The body ends early, whether the length says so or not.
        for (long length : {long(cut), long(full.size())}) {
            parse_chunks({full.substr(0, cut)}, length);
            EXPECT_EQ(rc, kMultipartIoError) << "cut at " << cut << " length " << length;
            EXPECT_TRUE(parts.empty());
            EXPECT_TRUE(left_behind.empty()) << "cut at " << cut << ": " << testing::PrintToString(left_behind);
        }
    }
    // A part that starts and then ends at once is cut too.
    parse(field("a", "1") + "--" + kBoundary + "\r\n");
    EXPECT_EQ(rc, kMultipartIoError);
}

TEST_F(MultipartTest, BodyMayEndRightAfterABoundary)
{
    for (const std::string& tail : {std::string(""), std::string("-"), std::string("\r")}) {
        parse(field("a", "1") + file_part("file", "f", "data") + "--" + kBoundary + tail);
        ASSERT_EQ(rc, kMultipartOk) << testing::PrintToString(tail);
        ASSERT_EQ(parts.size(), 2u);
        EXPECT_EQ(parts[1], file_entry("file", "f", "data"));
        EXPECT_TRUE(left_behind.empty());
    }
}

TEST_F(MultipartTest, NeverReadsPastTheContentLength)
{
    const std::string body = field("a", "1") + closing();
    const std::string more = field("b", "2") + closing();
    std::string path = dir.path() + "/body";
    dir.write_file("/body", body + more);
    // The length stops the parser at the closing boundary, before "--".
    int fd = open(path.c_str(), O_RDONLY);
    FormEntry* list = nullptr;
    long length = long(body.size() - 4);
    EXPECT_EQ(multipart_parse(fd, length, kBoundary, &list, tmpl().c_str()), kMultipartOk);
    EXPECT_LE(lseek(fd, 0, SEEK_CUR), length);
    close(fd);
    unlink(path.c_str());
    collect(list);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0], text_entry("a", "1"));
}

TEST_F(MultipartTest, OnlyFormDataPartsAreKept)
{
    const std::string b = std::string("--") + kBoundary;
    std::string body = b + "\r\nContent-Disposition: attachment; name=\"file\"; filename=\"a.bin\"\r\n\r\nAAA\r\n" +
                       b + "\r\nContent-Type: text/plain\r\n\r\nno disposition\r\n" +
                       b + "\r\ncontent-disposition: FORM-DATA; name=\"kept\"\r\nCONTENT-TYPE: text/x-y\r\n\r\nK\r\n" +
                       closing();
    parse(body);
    ASSERT_EQ(rc, kMultipartOk);
    ASSERT_EQ(parts.size(), 1u);
    Part kept = text_entry("kept", "K");
    kept.content_type = "text/x-y";
    EXPECT_EQ(parts[0], kept);
    EXPECT_TRUE(left_behind.empty());
}

TEST_F(MultipartTest, HeaderLinesAndDispositionForms)
{
    const std::string b = std::string("--") + kBoundary;
    std::string body =
        // LF line ends, blanks around the colon, attributes in any case and order.
        b + "\n Content-Disposition :  form-data ;filename=plain.txt; NAME=\"n1\"\n\n1\r\n" +
        // Lone CR line ends and an empty Content-Type that must not eat the blank line.
        b + "\rContent-Disposition: form-data; name=\"n2\"\rContent-Type:\r\r2\r\n" +
        // Padding after the boundary; a quoted main value; a quoted ';' in a file name.
        b + "  \r\nContent-Disposition: \"form-data\"; name=n3; filename=\"a;b.txt\"; size=3\r\n\r\n3\r\n" +
        // Unknown headers and attributes without values are ignored.
        b + "\r\nX-Other: a:b\r\nContent-Disposition: form-data; junk; name=\"n4\"\r\n\r\n4\r\n" + closing();
    parse(body);
    ASSERT_EQ(rc, kMultipartOk);
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[0], file_entry("n1", "plain.txt", "1", ""));
    EXPECT_EQ(parts[1], text_entry("n2", "2"));
    EXPECT_EQ(parts[2], file_entry("n3", "a;b.txt", "3", ""));
    EXPECT_EQ(parts[3], text_entry("n4", "4"));
}

TEST_F(MultipartTest, HostileBodiesStayBounded)
{
    // A huge text value is cut; the parts after it still arrive.
    std::string big(size_t(kFormValueMax) + 5000, 'v');
    parse(field("big", big) + file_part("file", "f", "ok") + closing());
    ASSERT_EQ(rc, kMultipartOk);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0], text_entry("big", big.substr(0, size_t(kFormValueMax))));
    EXPECT_EQ(parts[1], file_entry("file", "f", "ok"));

    // Parts past the limit are read and dropped, file parts included.
    std::string body;
    for (int i = 0; i < kFormMaxParts + 10; i++) body += file_part("f" + std::to_string(i), "x", "y");
    parse(body + closing());
    ASSERT_EQ(rc, kMultipartOk);
    EXPECT_EQ(parts.size(), size_t(kFormMaxParts));
    EXPECT_TRUE(left_behind.empty());

    // A header value is cut to 1,023 characters before it is decomposed, so
    // a file name behind an over-long name is lost and the part is text.
    std::string long_name(3000, 'n');
    parse(file_part(long_name, "f.bin", "z") + closing());
    ASSERT_EQ(rc, kMultipartOk);
    ASSERT_EQ(parts.size(), 1u);
    Part cut = text_entry(long_name.substr(0, 1023 - std::strlen("form-data; name=\"")), "z");
    cut.content_type = "application/octet-stream";
    EXPECT_EQ(parts[0], cut);
}

TEST_F(MultipartTest, TemporaryFileFailureIsAnIoError)
{
    FormEntry* list = nullptr;
    std::string body = field("a", "1") + file_part("file", "f", "data") + closing();
    int sv[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    ASSERT_EQ(write(sv[1], body.data(), body.size()), ssize_t(body.size()));
    close(sv[1]);
    std::string missing = dir.path() + "/no/such/dir/cgicXXXXXX";
    EXPECT_EQ(multipart_parse(sv[0], long(body.size()), kBoundary, &list, missing.c_str()), kMultipartIoError);
    EXPECT_EQ(list, nullptr);
    close(sv[0]);
}

TEST(FormEntries, LookupAndFileNames)
{
    FormEntry file{strdup("file"), strdup(""), 3, strdup("dir\\pic.jpg"), strdup(""), strdup(""), nullptr};
    FormEntry plain{strdup("plain"), strdup("v"), 1, strdup(""), strdup(""), strdup(""), &file};
    FormEntry dup{strdup("file"), strdup(""), 0, strdup("second"), strdup(""), strdup(""), nullptr};
    file.next = &dup;
    EXPECT_EQ(form_entry_find(&plain, "file"), &file);
    EXPECT_EQ(form_entry_find(&plain, "fil"), nullptr);
    EXPECT_EQ(form_entry_find(&plain, "FILE"), nullptr);

    char buf[12];
    EXPECT_EQ(form_file_name(&plain, "file", buf, sizeof buf), kFormFileNameOk);
    EXPECT_STREQ(buf, "dir\\pic.jpg");
    char small[5];
    EXPECT_EQ(form_file_name(&plain, "file", small, sizeof small), kFormFileNameTruncated);
    EXPECT_STREQ(small, "dir\\");
    EXPECT_EQ(form_file_name(&plain, "none", buf, sizeof buf), kFormFileNameNotFound);
    EXPECT_STREQ(buf, "");
    std::strcpy(buf, "stale");
    EXPECT_EQ(form_file_name(&plain, "plain", buf, sizeof buf), kFormFileNameEmpty);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(form_file_name(nullptr, "file", buf, sizeof buf), kFormFileNameNotFound);

    for (FormEntry* e : {&file, &plain, &dup})
        for (char* s : {e->name, e->value, e->file_name, e->content_type, e->temp_file}) free(s);
}

TEST(UploadMove, BaseNamesAndRename)
{
    char base[128];
    EXPECT_TRUE(upload_base_name("C:\\fw\\dir/update.bin", base, sizeof base));
    EXPECT_STREQ(base, "update.bin");
    EXPECT_TRUE(upload_base_name("plain", base, sizeof base));
    EXPECT_STREQ(base, "plain");
    for (const char* refused : {"", "dir/", "dir\\", ".", "..", "a/..", "b\\.", "../.."})
        EXPECT_FALSE(upload_base_name(refused, base, sizeof base)) << refused;
    char small[4];
    EXPECT_TRUE(upload_base_name("/x/abcdef", small, sizeof small));
    EXPECT_STREQ(small, "abc");

    // Names that would run commands through a shell are plain names here.
    TempRoot dir;
    const char* names[] = {"b\";touch pwned;\".bin", "a$(touch pwned).bin", "`touch pwned`", "c'; touch pwned; '",
                           " spaced name ", "-rf"};
    for (const char* name : names) {
        dir.write_file("/cgicABCDEF", name);
        char path[1088];
        ASSERT_EQ(upload_move(dir.at("/cgicABCDEF").c_str(), name, path, sizeof path), 0) << name;
        EXPECT_EQ(std::string(path), dir.at("/") + name);
        EXPECT_EQ(dir.read_file(std::string("/") + name), name);
        EXPECT_FALSE(dir.exists("/cgicABCDEF"));
    }

    char path[1088];
    EXPECT_EQ(upload_move(dir.at("/missing").c_str(), "x", path, sizeof path), -1);
    EXPECT_EQ(upload_move(dir.at("/cgicABCDEF").c_str(), "../x", path, sizeof path), -1);
    char tiny[8];
    dir.write_file("/cgicABCDEF", "t");
    EXPECT_EQ(upload_move(dir.at("/cgicABCDEF").c_str(), "name", tiny, sizeof tiny), -1);
    EXPECT_TRUE(dir.exists("/cgicABCDEF"));
}

}  // namespace
