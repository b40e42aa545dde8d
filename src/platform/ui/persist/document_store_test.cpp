#include "platform/ui/persist/document_store.h"

#include <csignal>
#include <fcntl.h>
#include <sqlite3.h>
#include <fstream>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/util/file.h"
#include "platform/util/random.h"

namespace {

namespace fs = std::filesystem;
using namespace ruvo_ui::persist;

class TempDir {
public:
    TempDir()
        : path(fs::temp_directory_path() / ("persist-test-" + util::uuid_v4_hex()))
    {
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

std::string dump_of(const fs::path& dir)
{
    auto store = open(dir, "doc");
    EXPECT_TRUE(store) << (store ? "" : store.error().message);
    return store ? (*store)->document().canonical_dump() : "";
}

void put_text(crdt::Document& doc, std::string_view key, std::string_view value)
{
    ASSERT_TRUE(doc.put(crdt::root, key, crdt::Scalar(std::string(value))));
}

TEST(DocumentStore, ReopensWithEveryCommittedChange)
{
    TempDir dir;
    std::string expected;
    {
        auto store = open(dir.path, "doc");
        ASSERT_TRUE(store) << store.error().message;
        auto& doc = (*store)->document();
        EXPECT_EQ(doc.length(crdt::root), 0u);
        put_text(doc, "a", "1");
        (*store)->save_committed();
        put_text(doc, "b", "2");
        auto list = doc.put_object(crdt::root, "list", crdt::ObjType::List);
        ASSERT_TRUE(list);
        ASSERT_TRUE(doc.insert(*list, 0, crdt::Scalar(std::int64_t(5))));
        (*store)->save_committed();
        ASSERT_TRUE((*store)->flush());
        EXPECT_EQ((*store)->durable_generation(), 2u);
        put_text(doc, "c", "uncommitted when the store closes, saved by the close");
        expected = doc.canonical_dump();
    }
    EXPECT_EQ(dump_of(dir.path), expected);
    EXPECT_TRUE(fs::exists(dir.path / "doc.sqlite"));
}

TEST(DocumentStore, CompactionKeepsTheContentAndEmptiesTheLog)
{
    TempDir dir;
    std::string expected;
    {
        auto store = open_store(dir.path, "doc", StoreOptions{5}, std::nullopt);
        ASSERT_TRUE(store);
        auto& doc = (*store)->document();
        for (int i = 0; i < 12; ++i) {
            put_text(doc, "k" + std::to_string(i), std::to_string(i));
            (*store)->save_committed();
            ASSERT_TRUE((*store)->flush()); // one row each: unflushed saves would share a row
        }
        ASSERT_TRUE((*store)->flush());
        EXPECT_EQ((*store)->changes_in_log(), 12u);
        (*store)->maybe_compact();
        ASSERT_TRUE((*store)->flush());
        EXPECT_EQ((*store)->changes_in_log(), 0u);
        put_text(doc, "after", "snapshot");
        (*store)->save_committed();
        expected = doc.canonical_dump();
    }
    auto store = open_store(dir.path, "doc", StoreOptions{5}, std::nullopt);
    ASSERT_TRUE(store);
    EXPECT_EQ((*store)->document().canonical_dump(), expected);
    EXPECT_EQ((*store)->changes_in_log(), 1u);
}

TEST(DocumentStore, MergesTheLegacyDocumentOnceAndLeavesItUntouched)
{
    TempDir dir;
    fs::create_directories(dir.path);
    auto legacy_path = dir.path / "workspace.legacy";
    crdt::Document legacy;
    put_text(legacy, "from", "legacy");
    legacy.commit();
    auto legacy_bytes = legacy.save();
    ASSERT_TRUE(util::write_file_atomic(legacy_path, legacy_bytes));

    {
        auto store = open_migrating(dir.path / "store", "doc", legacy_path);
        ASSERT_TRUE(store) << store.error().message;
        EXPECT_TRUE((*store)->legacy_merged());
        auto from = (*store)->document().get(crdt::root, "from");
        ASSERT_TRUE(from);
        // The user deletes the migrated key; a second open must not bring it back.
        ASSERT_TRUE((*store)->document().delete_key(crdt::root, "from"));
    }
    auto again = open_migrating(dir.path / "store", "doc", legacy_path);
    ASSERT_TRUE(again);
    EXPECT_FALSE((*again)->document().get(crdt::root, "from"));
    EXPECT_EQ(util::read_file(legacy_path).value(), legacy_bytes);
}

TEST(DocumentStore, UnreadableLegacyFileIsRetriedAndAMissingOneIsNot)
{
    TempDir dir;
    fs::create_directories(dir.path);
    auto legacy_path = dir.path / "workspace.legacy";
    std::ofstream(legacy_path) << "not a document";
    {
        auto store = open_migrating(dir.path / "store", "doc", legacy_path);
        ASSERT_TRUE(store);
        EXPECT_FALSE((*store)->legacy_merged());
    }
    fs::remove(legacy_path);
    auto store = open_migrating(dir.path / "store", "doc", legacy_path);
    ASSERT_TRUE(store);
    EXPECT_TRUE((*store)->legacy_merged());
}

TEST(DocumentStore, DamagedDatabaseIsMovedAsideAndAFreshStoreStarts)
{
    TempDir dir;
    fs::create_directories(dir.path);
    std::ofstream(dir.path / "doc.sqlite") << std::string(8192, 'x');
    auto store = open(dir.path, "doc");
    ASSERT_TRUE(store) << store.error().message;
    EXPECT_EQ((*store)->document().length(crdt::root), 0u);
    int aside = 0;
    for (auto& entry : fs::directory_iterator(dir.path)) {
        if (entry.path().filename().string().starts_with("doc.sqlite.damaged-")) {
            ++aside;
            EXPECT_EQ(fs::file_size(entry.path()), 8192u); // kept as it was
        }
    }
    EXPECT_EQ(aside, 1);
}

TEST(DocumentStore, StoreOfAnUnknownFormatIsRefusedAndKept)
{
    TempDir dir;
    {
        auto store = open(dir.path, "doc");
        ASSERT_TRUE(store);
    }
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((dir.path / "doc.sqlite").c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "UPDATE meta SET value = '99' WHERE key = 'format'", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    auto store = open(dir.path, "doc");
    ASSERT_FALSE(store);
    EXPECT_NE(store.error().message.find("format 99"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir.path / "doc.sqlite"));
}

TEST(DocumentStore, FolderThatCannotBeCreatedIsAnError)
{
    TempDir dir;
    fs::create_directories(dir.path);
    std::ofstream(dir.path / "file") << "x";
    EXPECT_FALSE(open(dir.path / "file" / "store", "doc"));
}

// A writer killed at random moments never loses a change it had reported as written, and never
// leaves a store that cannot be opened.
TEST(DocumentStore, SurvivesBeingKilledAtRandomMoments)
{
    TempDir dir;
    std::mt19937 random(12345);
    std::set<std::string> reported;
    for (int round = 0; round < 12; ++round) {
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::execl(PERSIST_CRASH_CHILD, PERSIST_CRASH_CHILD, dir.path.c_str(), "doc", nullptr);
            ::_exit(127);
        }
        ::close(out[1]);
        // Let the child get going (it has written at least once), then kill it at a random moment.
        std::string pending;
        char buffer[4096];
        ::fcntl(out[0], F_SETFL, O_NONBLOCK);
        auto read_until = [&](auto done) {
            while (!done()) {
                ssize_t n = ::read(out[0], buffer, sizeof buffer);
                if (n > 0)
                    pending.append(buffer, std::size_t(n));
                else
                    ::usleep(500);
            }
        };
        auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        read_until([&] { return pending.find('\n') != std::string::npos || std::chrono::steady_clock::now() > give_up; });
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(random() % 150);
        read_until([&] { return std::chrono::steady_clock::now() > deadline; });
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
            pending.append(buffer, std::size_t(n));
        ::close(out[0]);
        std::size_t start = 0;
        for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1)
            reported.insert(pending.substr(start, end - start));

        auto store = open(dir.path, "doc");
        ASSERT_TRUE(store) << "round " << round << ": " << store.error().message;
        for (const auto& key : reported)
            ASSERT_TRUE((*store)->document().get(crdt::root, key)) << "round " << round << " lost " << key;
    }
    EXPECT_GT(reported.size(), 12u);
}

} // namespace
