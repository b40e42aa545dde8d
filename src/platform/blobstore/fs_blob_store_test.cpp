#include "platform/blobstore/fs_blob_store.h"

#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "platform/blobstore/blobstore.h"
#include "platform/util/random.h"
#include "platform/util/sha256.h"

namespace {

namespace fs = std::filesystem;
using blobstore::Bytes;
using blobstore::FsBlobStore;

class TempDir {
public:
    TempDir()
        : path(fs::temp_directory_path() / ("blobstore-test-" + util::uuid_v4_hex()))
    {
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

Bytes bytes_of(std::string_view text) { return Bytes(text.begin(), text.end()); }

std::size_t files_under(const fs::path& root)
{
    std::size_t n = 0;
    for (auto& entry : fs::recursive_directory_iterator(root))
        n += entry.is_regular_file() ? 1 : 0;
    return n;
}

TEST(FsBlobStore, RoundTripsBytesUnderTheirSha256)
{
    TempDir dir;
    FsBlobStore store(dir.path / "blobs", blobstore::Limits{});
    auto bytes = bytes_of("hello, store");
    auto id = store.put(bytes);
    ASSERT_TRUE(id) << id.error().message;
    EXPECT_EQ(*id, util::sha256_hex(bytes));
    EXPECT_TRUE(blobstore::is_blob_id(*id));
    EXPECT_TRUE(store.has(*id));
    EXPECT_EQ(store.state(*id), blobstore::BlobState::Decoding);
    EXPECT_EQ(store.get(*id).value(), bytes);
    EXPECT_EQ(store.put(bytes).value(), *id); // storing again is the same blob
    EXPECT_EQ(files_under(dir.path), 1u);

    auto empty = store.put({});
    ASSERT_TRUE(empty);
    EXPECT_EQ(store.get(*empty).value(), Bytes{});
}

TEST(FsBlobStore, RefusesMalformedAndMissingIdentifiers)
{
    TempDir dir;
    FsBlobStore store(dir.path, blobstore::Limits{});
    std::vector<std::string> bad = {"", "../../etc/passwd", "AB", std::string(64, 'A'), std::string(63, 'a'),
                                    std::string(63, 'a') + "/"};
    for (const auto& id : bad) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(store.get(id));
        EXPECT_FALSE(store.has(id));
        EXPECT_EQ(store.state(id), blobstore::BlobState::Unavailable);
    }
    EXPECT_FALSE(store.get(std::string(64, 'a')));
    EXPECT_FALSE(store.put_checked(bytes_of("x"), std::string(64, 'a')));
    EXPECT_TRUE(store.put_checked(bytes_of("x"), util::sha256_hex(bytes_of("x"))));
}

TEST(FsBlobStore, AcceptsExactlyTheSizeLimitAndRefusesOneByteMore)
{
    TempDir dir;
    FsBlobStore store(dir.path, 33'554'432, 268'435'456, 8'192, 16'384);
    Bytes at_limit(33'554'432, 0x5a);
    EXPECT_TRUE(store.put(at_limit));
    at_limit.push_back(0);
    auto over = store.put(at_limit);
    ASSERT_FALSE(over);
    EXPECT_NE(over.error().message.find("33554432-byte limit"), std::string::npos) << over.error().message;
}

TEST(FsBlobStore, RefusesPutsBeyondTheCountAndTotalLimitsUntilEviction)
{
    TempDir dir;
    FsBlobStore store(dir.path, 100, 10, 2, 64);
    auto a = store.put(bytes_of("aaaa"));
    ASSERT_TRUE(a);
    EXPECT_FALSE(store.put(bytes_of("bbbbbbbb"))); // 12 bytes > 10
    auto b = store.put(bytes_of("bb"));
    ASSERT_TRUE(b);
    EXPECT_FALSE(store.put(bytes_of("c"))); // third blob

    auto report = store.evict_unreferenced({*b});
    ASSERT_TRUE(report);
    EXPECT_EQ(report->removed, 1u);
    EXPECT_EQ(report->freed_bytes, 4u);
    EXPECT_FALSE(store.has(*a));
    EXPECT_TRUE(store.has(*b));
    EXPECT_TRUE(store.put(bytes_of("c")));

    // A store reopened over the same folder counts what is already there.
    FsBlobStore reopened(dir.path, 100, 10, 2, 64);
    EXPECT_FALSE(reopened.put(bytes_of("d")));
}

TEST(FsBlobStore, DetectsCorruptionAndHealsOnTheNextPut)
{
    TempDir dir;
    FsBlobStore store(dir.path, blobstore::Limits{});
    auto bytes = bytes_of("precious bytes");
    auto id = store.put(bytes).value();
    auto path = dir.path / id.substr(0, 2) / id;

    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(3);
        file.put('X');
    }
    auto damaged = store.get(id);
    ASSERT_FALSE(damaged);
    EXPECT_NE(damaged.error().message.find("corrupt"), std::string::npos);

    fs::resize_file(path, 4); // truncated: a put of the real bytes replaces it
    EXPECT_FALSE(store.get(id));
    EXPECT_TRUE(store.put(bytes));
    EXPECT_EQ(store.get(id).value(), bytes);
}

TEST(FsBlobStore, FailedWriteLeavesNeitherBlobNorTemporaryFile)
{
    TempDir dir;
    FsBlobStore store(dir.path, blobstore::Limits{});
    auto bytes = bytes_of("cannot land");
    auto id = util::sha256_hex(bytes);
    // A directory squatting on the blob's name makes the final rename fail.
    fs::create_directories(dir.path / id.substr(0, 2) / id);
    EXPECT_FALSE(store.put(bytes));
    EXPECT_FALSE(store.get(id));
    EXPECT_EQ(files_under(dir.path), 0u);
    // The failed write gave its reservation back.
    FsBlobStore tight(dir.path / "other", 100, 100, 1, 64);
    fs::create_directories(dir.path / "other" / id.substr(0, 2) / id);
    EXPECT_FALSE(tight.put(bytes));
    fs::remove(dir.path / "other" / id.substr(0, 2) / id);
    EXPECT_TRUE(tight.put(bytes));
}

TEST(FsBlobStore, UnusableRootReportsErrorsPerCall)
{
    TempDir dir;
    std::ofstream(dir.path / "file") << "not a directory";
    FsBlobStore store(dir.path / "file" / "blobs", blobstore::Limits{});
    auto put = store.put(bytes_of("x"));
    ASSERT_FALSE(put);
    EXPECT_FALSE(put.error().message.empty());
    EXPECT_FALSE(store.get(util::sha256_hex(bytes_of("x"))));
    EXPECT_TRUE(store.evict_unreferenced({}));
}

TEST(FsBlobStore, ConcurrentPutsOfTheSameBytesCountOnce)
{
    TempDir dir;
    FsBlobStore store(dir.path, 1'000'000, 1'000'000, 1, 64);
    Bytes bytes(100'000, 7);
    std::vector<std::thread> threads;
    std::atomic<int> ok = 0;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] { ok += store.put(bytes) ? 1 : 0; });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(ok.load(), 4);
    EXPECT_EQ(store.get(util::sha256_hex(bytes)).value(), bytes);
    EXPECT_FALSE(store.put(Bytes{1})); // still exactly one blob accounted
}

TEST(Blobstore, FreeFunctionsReachTheInstalledStore)
{
    blobstore::set_store(nullptr);
    EXPECT_FALSE(blobstore::put(bytes_of("x")));
    EXPECT_EQ(blobstore::state(util::sha256_hex(bytes_of("x"))), blobstore::BlobState::Unavailable);

    TempDir dir;
    blobstore::set_store(std::make_shared<FsBlobStore>(dir.path, blobstore::Limits{}));
    auto id = blobstore::put(bytes_of("x"));
    ASSERT_TRUE(id);
    EXPECT_TRUE(blobstore::has(*id));
    EXPECT_EQ(blobstore::get(*id).value(), bytes_of("x"));
    blobstore::set_store(nullptr);
}

TEST(FsBlobStore, DefaultRootFollowsXdgDataHome)
{
    auto* saved = std::getenv("XDG_DATA_HOME");
    std::string saved_value = saved ? saved : "";
    ::setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(FsBlobStore::default_root(), fs::path("/srv/data/ruvo/blobs"));
    ::setenv("XDG_DATA_HOME", "relative/is/ignored", 1);
    EXPECT_NE(FsBlobStore::default_root(), fs::path("relative/is/ignored/ruvo/blobs"));
    if (saved)
        ::setenv("XDG_DATA_HOME", saved_value.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

} // namespace
